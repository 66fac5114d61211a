#include "app/strings/Translation.h"

#include <QTranslator>
#include <array>
#include <memory>

namespace {

// The translation file of each language whose texts are not the source texts.
struct TranslationFile {
    int languageCode;
    const char* file; // in the resources that CMake's qt_add_translations builds
};
constexpr std::array<TranslationFile, 1> Files{{{1, ":/i18n/quintaro_it.qm"}}};

// The translators, loaded once on first use and never changed after.
const QTranslator* TranslatorOf(int languageCode) {
    static const auto translators = [] {
        std::array<std::unique_ptr<QTranslator>, Files.size()> loaded;
        for (std::size_t i = 0; i < Files.size(); ++i) {
            loaded[i] = std::make_unique<QTranslator>();
            if (!loaded[i]->load(QString::fromLatin1(Files[i].file)))
                qWarning("Translation %s not found: captions stay in English", Files[i].file);
        }
        return loaded;
    }();
    for (std::size_t i = 0; i < Files.size(); ++i)
        if (Files[i].languageCode == languageCode)
            return translators[i].get();
    return nullptr;
}

} // namespace

QString Language::translate(const char* context, const char* source) const {
    if (const QTranslator* translator = TranslatorOf(code_)) {
        QString text = translator->translate(context, source);
        if (!text.isNull())
            return text;
    }
    return QString::fromUtf8(source);
}
