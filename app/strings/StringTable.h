#pragma once

#include <QString>

// The product title: the main window's title and the title of every device message.
inline const QString ProductTitle = QStringLiteral("QuintaroV10 - Quin Taro v 1.0 ");

// The string table: entry n (1..114) of the language whose LanguageBase is b is id b + n, so the
// Italian texts are ids 1..114 and the English ones 201..314. The English texts are in the
// program; the others come from the translation files (app/strings/Translation.h). An id with
// no text gives an empty string.
QString LoadResString(int id);

// The first id of a language's block: 0 for Italian (LanguageCode 1), 200 for English (2). Entry n
// of the table is id LanguageBaseOf(LanguageCode) + n.
constexpr int LanguageBaseOf(int languageCode) {
    return (languageCode - 1) * 200;
}
