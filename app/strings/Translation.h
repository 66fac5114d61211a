#pragma once

#include <QString>

// The program's captions in one language. Source texts are English (LanguageCode 2) and are
// shown as they are; every other language's texts come from its translation file
// (translations/quintaro_<code>.ts), built into the program. The language is chosen per call, by
// the LanguageCode or LanguageBase the caller holds, never by a translator installed in the
// application: a window keeps the language it was made in.
class Language {
  public:
    explicit Language(int languageCode) : code_(languageCode) {}
    // The language of a LanguageBase: 0 is Italian (code 1), 200 English (code 2).
    static Language ofBase(int languageBase) { return Language(languageBase / 200 + 1); }

    // `source` (UTF-8) of `context` in this language; the source itself where the language has
    // no translation for it.
    QString translate(const char* context, const char* source) const;

  private:
    int code_;
};
