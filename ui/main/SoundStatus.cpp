#include "ui/main/SoundStatus.h"

#include "midi/MidiPort.h"

QString SoundStatusText(int status, int languageCode) {
    const bool italian = languageCode == 1;
    switch (status) {
    case SoundStatus::ServerGone:
        return italian ? QStringLiteral("Suono perso: il server audio si è fermato, lo aspetto…")
                       : QStringLiteral("Sound gone: the sound server stopped, waiting for it…");
    case SoundStatus::OutputGone:
        return italian ? QStringLiteral("Suono perso: l'uscita audio si è chiusa, la riprovo…")
                       : QStringLiteral("Sound gone: the audio output closed, trying it again…");
    case SoundStatus::Back:
        return italian ? QStringLiteral("Suono tornato: l'uscita audio suona di nuovo…")
                       : QStringLiteral("Sound back: the audio output plays again…");
    case SoundStatus::Lost:
        return italian ? QStringLiteral("Suono perso: l'uscita audio non torna, sceglila di nuovo…")
                       : QStringLiteral("Sound gone: the audio output cannot come back, choose it "
                                        "again…");
    default:
        return {};
    }
}
