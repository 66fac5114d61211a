// The incoming MIDI byte stream through MidiInputRouter::handle, played through the keyboards of
// two part windows and the master keyboard of a main window (offscreen), then releaseAll(), as
// when the input closes. The router is told every message the program sends, as the main window
// tells it: a stream that repeats what went out is still played (a fast player is not a loop);
// only the router's own probe coming back is a loop-back.
//
// Input: a series of steps, each a header byte and what follows it.
// - header below 0x80: one message of 1..3 bytes (length 1 + (h & 3) % 3) played through the
//   target (h >> 2) & 3: none, part 1, part 2, the master keyboard;
// - header 0x80 and above, by (h >> 4) & 7 and the next byte: the user changes, while keys may be
//   held, part 1's transposition (0..24), part 2's channel, a master keyboard channel (switched
//   on or off), part 1's channel or part 2's transposition; or chooses another input (releaseAll
//   and reset, as the main window does); 6: the probe comes back (a loop-back: what the input
//   held ends, nothing more is played until another input); 7 does nothing.
//
// Properties, on what the output port receives:
// - only notes, the sustain pedal, modulation and pitch bend go out; a Note On has a velocity;
// - no Note Off goes where no Note On sounds;
// - after the stream and releaseAll(), every Note On has had its Note Off, and on every channel
//   the pedal is up, the bend at the centre and the modulation at 0.
#include "FuzzCheck.h"
#include "RunFolder.h"
#include "app/AppState.h"
#include "app/strings/StringTable.h"
#include "devices/MidiInputRouter.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <vector>

namespace {

// An output that keeps, per channel and note, how many Note Ons wait for their Note Off, and
// whether the pedal is down on each channel.
class SoundingPort : public MidiPort {
  public:
    std::array<std::array<int, 128>, 16> sounding{};
    std::array<bool, 16> pedalDown{};
    std::array<bool, 16> bent{};
    std::array<bool, 16> modulated{};
    bool checking = false; // the windows' opening sends their parts' states first

    void clear() {
        for (auto& channel : sounding)
            channel.fill(0);
        pedalDown.fill(false);
        bent.fill(false);
        modulated.fill(false);
    }

    int deviceCount() override { return 1; }
    std::uint32_t open() override { return MidiError::NoError; }
    std::uint32_t close() override { return MidiError::NoError; }
    std::uint32_t shortMessage(std::uint32_t message) override {
        if (!checking)
            return MidiError::NoError;
        const int status = message & 0xF0;
        const int channel = message & 0x0F;
        const int data1 = (message >> 8) & 0xFF;
        const int data2 = (message >> 16) & 0xFF;
        FUZZ_CHECK(data1 < 128 && data2 < 128, "data bytes %02x %02x", data1, data2);
        if (status == 0x90) {
            FUZZ_CHECK(data2 > 0, "a Note On of velocity 0 on channel %d", channel);
            ++sounding[channel][data1];
        } else if (status == 0x80) {
            FUZZ_CHECK(sounding[channel][data1] > 0,
                       "a Note Off of %d on channel %d, where none "
                       "sounds",
                       data1, channel);
            --sounding[channel][data1];
        } else if (status == 0xB0 && data1 == 64) {
            pedalDown[channel] = data2 >= 64;
        } else if (status == 0xB0 && data1 == 1) {
            modulated[channel] = data2 != 0;
        } else if (status == 0xE0) {
            bent[channel] = data1 != 0x00 || data2 != 0x40;
        } else {
            FUZZ_CHECK(false, "%02x %02x %02x should not go out", message & 0xFF, data1, data2);
        }
        return MidiError::NoError;
    }
    std::uint32_t prepareHeader(MidiHdr&, int) override { return MidiError::NoError; }
    std::uint32_t longMessage(MidiHdr&, int) override {
        FUZZ_CHECK(!checking, "a long message went out");
        return MidiError::NoError;
    }
    std::uint32_t unprepareHeader(MidiHdr&, int) override { return MidiError::NoError; }
};

class NoBoxes : public MessageSink {
  public:
    void show(const QString& text, const QString&) override {
        FUZZ_CHECK(false, "a message box: %s", qUtf8Printable(text));
    }
};

struct Host {
    AppState state;
    NoBoxes sink;
    SoundingPort* port = nullptr;
    frmMain* main = nullptr;
    std::array<Keyboard*, 4> keyboards{}; // none, part 1, part 2, master keyboard
};

Host* host = nullptr;

void ResetSettings(AppState& s) {
    for (int part : {1, 2}) {
        s.PartParams[part][PartRow::Channel] = PartParamDefault(part, PartRow::Channel);
        s.PartParams[part][PartRow::Transposition] = PartParamDefault(part, PartRow::Transposition);
    }
    for (int ch = MasterKbElement::FirstChannel; ch <= MasterKbElement::LastChannel; ++ch)
        s.MasterKbSettings[ch] = MasterKbDefault(ch);
}

} // namespace

// Fontconfig keeps a cache that LeakSanitizer reports when the run ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", "/tmp/quintaro-xdg");
    QDir().mkpath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    QFile::setPermissions(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    new QApplication(*argc, *argv);

    host = new Host;
    AppState& s = host->state;
    s.messages.setSink(&host->sink);
    ApplyFirstRunDefaults(s);
    s.LanguageCode = 2;
    s.LanguageBase = LanguageBaseOf(2);
    s.ProgramFolder = RunFolder().path();
    s.SettingsFile = QDir(s.ProgramFolder).filePath("QuintaroV10.ini");
    s.GMNamesFile = QDir(s.ProgramFolder).filePath("QuintaroProgGM.txt");
    s.NotepadFile = QDir(s.ProgramFolder).filePath("BloccoNote.txt");
    auto port = std::make_unique<SoundingPort>();
    host->port = port.get();
    s.midi.setPort(std::move(port));
    s.midi.OpenMidiOutput();

    host->main = new frmMain(s);
    host->main->show();
    host->main->mnuPart_Click(1);
    host->main->mnuPart_Click(2);
    host->main->mnuMasterKb_Click();
    if (host->main->PartWindow(1) == nullptr || host->main->PartWindow(2) == nullptr ||
        host->main->MasterKbWindow() == nullptr)
        return 1;
    host->keyboards = {nullptr, &host->main->PartWindow(1)->keyboard(),
                       &host->main->PartWindow(2)->keyboard(),
                       &host->main->MasterKbWindow()->keyboard()};
    QCoreApplication::processEvents();
    host->port->checking = true;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AppState& s = host->state;
    ResetSettings(s);
    host->port->clear();

    Keyboard* target = nullptr;
    MidiInputRouter router(s.midi, IncomingNoteTarget{[&target] {
                               return target != nullptr ? &target->engine() : nullptr;
                           }});
    s.midi.setSendObserver(
        [&router](const std::uint8_t* bytes, std::size_t n) { router.sent(bytes, n); });
    std::size_t pos = 0;
    const auto next = [&] { return pos < size ? data[pos++] : std::uint8_t{0}; };
    while (pos < size) {
        const std::uint8_t h = next();
        if (h & 0x80) {
            const int value = next();
            switch ((h >> 4) & 7) {
            case 0:
                s.PartParams[1][PartRow::Transposition] = static_cast<std::uint8_t>(value % 25);
                break;
            case 1:
                s.PartParams[2][PartRow::Channel] = static_cast<std::uint8_t>(value % 16 + 1);
                break;
            case 2: {
                int& on = s.MasterKbSettings[MasterKbElement::FirstChannel + value % 16];
                on = 1 - on;
                break;
            }
            case 3:
                s.PartParams[1][PartRow::Channel] = static_cast<std::uint8_t>(value % 16 + 1);
                break;
            case 4:
                s.PartParams[2][PartRow::Transposition] = static_cast<std::uint8_t>(value % 25);
                break;
            case 5:
                // Another input is chosen, as the main window switches inputs.
                router.releaseAll();
                router.reset();
                break;
            case 6: {
                const auto& probe = router.loopBackGuard().probeBytes();
                router.handle({probe.begin(), probe.end()});
                FUZZ_CHECK(router.loopBackFound(), "the probe came back unnoticed");
                break;
            }
            default:
                break;
            }
            continue;
        }
        target = host->keyboards[(h >> 2) & 3];
        const std::size_t length = 1 + (h & 3) % 3;
        std::vector<std::uint8_t> message;
        for (std::size_t i = 0; i < length && pos < size; ++i)
            message.push_back(next());
        router.handle(message);
    }
    router.releaseAll();
    s.midi.setSendObserver({});

    for (int ch = 0; ch < 16; ++ch) {
        FUZZ_CHECK(!host->port->pedalDown[ch], "the pedal stays down on channel %d", ch);
        FUZZ_CHECK(!host->port->bent[ch], "the bend stays off the centre on channel %d", ch);
        FUZZ_CHECK(!host->port->modulated[ch], "the modulation stays on on channel %d", ch);
        for (int note = 0; note < 128; ++note)
            FUZZ_CHECK(host->port->sounding[ch][note] == 0,
                       "note %d on channel %d sounds %d times after releaseAll", note, ch,
                       host->port->sounding[ch][note]);
    }

    // The marks and the note boxes ask for repaints; let them happen now and then.
    static unsigned runs = 0;
    if (++runs % 256 == 0)
        QCoreApplication::processEvents();
    return 0;
}
