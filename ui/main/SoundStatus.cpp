#include "ui/main/SoundStatus.h"

#include "app/strings/Translation.h"
#include "midi/MidiPort.h"

QString SoundStatusText(int status, int languageCode) {
    const Language language(languageCode);
    switch (status) {
    case SoundStatus::ServerGone:
        return language.translate("SoundStatus",
                                  "Sound gone: the sound server stopped, waiting for it…");
    case SoundStatus::OutputGone:
        return language.translate("SoundStatus",
                                  "Sound gone: the audio output closed, trying it again…");
    case SoundStatus::Back:
        return language.translate("SoundStatus", "Sound back: the audio output plays again…");
    case SoundStatus::Lost:
        return language.translate(
            "SoundStatus", "Sound gone: the audio output cannot come back, choose it again…");
    default:
        return {};
    }
}
