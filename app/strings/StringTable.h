#pragma once

#include <QString>

// The product title: the main window's title and the title of every device message.
inline const QString ProductTitle = QStringLiteral("QuintaroV10 - Quin Taro v 1.0 ");

// The string table compiled into the program: Italian texts under ids 1..114, the English text
// of the same entry under id + 200. An id with no text gives an empty string.
QString LoadResString(int id);

// The first id of a language's block: 0 for Italian (LanguageCode 1), 200 for English (2). Entry n
// of the table is id LanguageBaseOf(LanguageCode) + n.
constexpr int LanguageBaseOf(int languageCode) {
    return (languageCode - 1) * 200;
}
