// Live MIDI in the main window: what comes in at the input plays through the current window and
// ends where it went, devices that come and go, a loop back, "Send all parts" and a switch of the
// output, and a device error while other events wait.
#include "support/TestState.h"
#include "support/drivers/MainWindowDriver.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/MidiDeviceWatch.h"
#include "ui/main/MidiInputRouter.h"
#include "ui/main/frmMain.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

// A main window over a fresh state, played from its MIDI input's handler.
struct Live {
    Live() : main(t.state) {
        main.resize(1400, 1000);
        main.show();
    }
    void in(const Bytes& bytes) { t.state.midiIn.handler()(bytes); }
    // Part `n` on MIDI channel `channel`, transposed by `semitones`, opened from the menu.
    frmPart* part(int n, int channel, int semitones = 0) {
        t.state.PartParams.at(n).at(PartRow::Channel) = static_cast<std::uint8_t>(channel);
        t.state.PartParams.at(n).at(PartRow::Transposition) =
            static_cast<std::uint8_t>(12 + semitones);
        return ui.openPart(n);
    }
    Lines take() {
        Lines lines = t.port->messageLines();
        t.port->clear();
        return lines;
    }
    TestState t;
    frmMain main;
    MainWindowDriver ui{main};
};

bool marked(frmPart* part, int note) {
    return part->keyboard().isMarked(note - part->keyboard().KeyBase());
}

} // namespace

// Notes follow the current window with its channel and transposition, the incoming velocity
// kept; each Note Off, pedal release and wheel at rest reaches every channel its press went to,
// whichever window is current by then.
TEST(LiveMidi, InputPlaysThroughTheCurrentWindowAndEndsWhereItWent) {
    Live live;
    live.in({0x90, 60, 90}); // no window to play through: nothing, and no Note Off later
    live.in({0xB0, 64, 127});
    live.in({0x80, 60, 0});
    EXPECT_EQ(live.take(), Lines{});

    frmPart* part3 = live.part(3, 5, +2);
    frmPart* part4 = live.part(4, 6);
    live.ui.activate(part3);
    live.take();
    live.in({0x90, 60, 0x45}); // the incoming channel does not matter
    live.in({0xB3, 64, 127});
    live.in({0xE0, 0x00, 0x50});
    live.in({0xB0, 1, 0x20});
    live.in({0xB0, 7, 0x20}); // other controllers and program changes are not passed on
    live.in({0xC0, 5});
    EXPECT_EQ(live.take(), (Lines{"94 3e 45", "b4 40 7f", "e4 00 50", "b4 01 20"}));
    EXPECT_TRUE(marked(part3, 60));

    live.ui.activate(part4);
    live.in({0x90, 64, 0x50});
    live.in({0x80, 60, 0x30});
    live.in({0xB0, 64, 0});
    live.in({0xE0, 0x00, 0x40});
    live.in({0xB0, 1, 0});
    live.in({0x90, 64, 0}); // a Note On of velocity 0 is a Note Off
    EXPECT_EQ(live.take(), (Lines{"95 40 50", "84 3e 30", "b4 40 00", "b5 40 00", "e4 00 40",
                                  "e5 00 40", "b4 01 00", "b5 01 00", "85 40 40"}));
    EXPECT_FALSE(marked(part3, 60));

    // A key pressed again ends its first note; a window that closes silenced its channel, so
    // the Note Off of a note it played then sends nothing.
    live.in({0x90, 62, 0x40});
    live.in({0x90, 62, 0x41});
    EXPECT_EQ(live.take(), (Lines{"95 3e 40", "85 3e 40", "95 3e 41"}));
    part4->close();
    live.take();
    live.in({0x80, 62, 0});
    EXPECT_EQ(live.take(), Lines{});

    // The master keyboard current: every channel switched on.
    for (int ch = MasterKbElement::FirstChannel; ch <= MasterKbElement::LastChannel; ++ch)
        live.t.state.MasterKbSettings.at(ch) = ch == 1 || ch == 3;
    ASSERT_TRUE(live.ui.openMasterKb());
    live.take();
    live.in({0x90, 48, 0x64});
    live.in({0xE5, 0x10, 0x40});
    live.ui.activate(part3);
    live.in({0x80, 48, 0x20});
    EXPECT_EQ(live.take(),
              (Lines{"90 30 64", "92 30 64", "e0 10 40", "e2 10 40", "80 30 20", "82 30 20"}));
}

// An input unplugged ends what it held; an output that goes is not sent to and what sounds on it
// is forgotten; either is opened again when back. Said in the status line only.
TEST(LiveMidi, DevicesThatGoAreReleasedAndReopenedWhenBack) {
    Live live;
    frmPart* part = live.part(4, 4);
    MidiDeviceWatch& watch = live.main.deviceWatch();
    bool inputThere = true, outputThere = true;
    int inputOpens = 0, outputOpens = 0;
    watch.setAccess({[&](const QString&) { return inputThere; },
                     [&](const QString&) { return outputThere; },
                     [&](const QString&) { return ++inputOpens, inputThere; },
                     [&](const QString&) {
                         ++outputOpens;
                         live.t.state.midi.setOutputEnabled(true);
                         return outputThere;
                     }});
    watch.setInputChoice(QStringLiteral("alsa:Keys"));
    watch.setOutputChoice(QStringLiteral("jack:Synth"));
    live.in({0x90, 60, 90});
    live.in({0xB0, 64, 127});
    live.in({0xE0, 0x00, 0x60});
    live.in({0xB0, 0x01, 0x30});
    live.take();
    watch.check();
    EXPECT_EQ(live.take(), Lines{}) << "nothing while both are there";
    inputThere = false;
    watch.check();
    watch.check();
    EXPECT_EQ(live.take(), (Lines{"83 3c 40", "b3 40 00", "e3 00 40", "b3 01 00"}));
    EXPECT_FALSE(marked(part, 60));
    EXPECT_EQ(live.ui.midiStatus(), "MIDI In gone: alsa:Keys");
    EXPECT_EQ(inputOpens, 0);
    inputThere = true;
    watch.check();
    EXPECT_EQ(inputOpens, 1);
    EXPECT_EQ(live.ui.midiStatus(), "MIDI In back: alsa:Keys");
    live.in({0x90, 62, 90});
    EXPECT_EQ(live.take(), Lines{"93 3e 5a"});

    outputThere = false;
    watch.check();
    EXPECT_FALSE(live.t.state.midi.outputEnabled());
    EXPECT_FALSE(marked(part, 62)) << "the sounding note is forgotten";
    EXPECT_EQ(live.take(), Lines{});
    EXPECT_EQ(live.ui.midiStatus(), "MIDI Out gone: jack:Synth");
    outputThere = true;
    watch.check();
    EXPECT_EQ(outputOpens, 1);
    EXPECT_EQ(live.ui.midiStatus(), "MIDI Out back: jack:Synth");
    EXPECT_TRUE(live.t.sink.shown().empty());
}

// An input that brings back what the program sends would replay each message for ever: its
// echoes give it away, it is closed and the flood ends. A musician's quick roll of twelve
// strokes on one key, or the same note repeated slower than a loop returns it, is not one.
TEST(LiveMidi, ALoopBackIsRefusedAndBoundedButAMusiciansRepeatsAreNot) {
    Live live;
    live.part(1, 1);
    for (int i = 0; i < 12; ++i)
        live.in({0x90, 60, 100});
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(MidiInputRouter::EchoWindow.count() + 10);
        live.in({0x90, 60, 100});
    }
    EXPECT_FALSE(live.main.midiInputRouter().loopBackFound());

    live.t.port->onShort = [&live](const Bytes& bytes) {
        QMetaObject::invokeMethod(
            &live.main, [&live, bytes] { live.in(bytes); }, Qt::QueuedConnection);
    };
    live.take();
    live.in({0x90, 62, 100});
    QTest::qWait(300);
    EXPECT_TRUE(live.main.midiInputRouter().loopBackFound());
    EXPECT_LE(live.t.port->count(RecordingPort::Call::Short), 24);
    EXPECT_EQ(live.ui.midiStatus().left(14), "MIDI In refuse");
    const int sent = live.t.port->count(RecordingPort::Call::Short);
    QTest::qWait(100);
    EXPECT_EQ(live.t.port->count(RecordingPort::Call::Short), sent) << "the flood ended";
}

// "Send all parts" sends every part's state and the open master keyboard's sliders; a switch of
// the output first ends, on the old port, the master keyboard's held key and the input's pedal.
TEST(LiveMidi, SendAllPartsAndASwitchReachTheMasterKeyboard) {
    Live live;
    for (int n = 1; n <= 16; ++n)
        live.t.state.MasterKbSettings.at(n) = n == 5;
    live.t.state.MasterKbSettings.at(MasterKbElement::FirstSlider + 7) = 33; // Mod 1
    frmMasterKb* master = live.ui.openMasterKb();
    ASSERT_TRUE(master);
    live.part(1, 1);
    live.ui.openMidiDialog();
    live.take();
    live.ui.sendAllParts();
    Lines sent = live.take();
    // Ten messages a part, then the master keyboard's nine sliders that send, on its channel 5.
    ASSERT_EQ(sent.size(), 16u * 10 + 9);
    EXPECT_EQ(sent.front(), "c0 00");
    EXPECT_EQ(sent[16 * 10], "b4 07 64");
    EXPECT_EQ(sent[16 * 10 + 5], "b4 01 21");

    live.in({0xB0, 64, 127});
    QTest::mousePress(master->keyboard().Key[0], Qt::LeftButton, {}, QPoint(3, 3));
    live.take();
    Lines old;
    live.t.port->onShort = [&old](const Bytes& bytes) { old.push_back(HexLine(bytes)); };
    live.main.ChooseOutput(QStringLiteral("none"));
    ASSERT_GE(old.size(), 3u);
    EXPECT_EQ(Lines(old.begin(), old.begin() + 3), (Lines{"84 24 40", "b0 40 00", "b0 7b 00"}));
}

// A failing send shows its message only after the handler that sent returned: a box's event
// loop inside the send let a queued Note On of the same key run inside an incoming Note Off.
TEST(LiveMidi, ADeviceErrorIsShownAfterTheSendThatFailed) {
    Live live;
    live.t.sink.runsEventLoop = true;
    live.part(1, 1);
    live.take();
    live.in({0x90, 60, 100});
    live.t.port->failOn(RecordingPort::Call::Short, 2, MidiError::Error);
    QMetaObject::invokeMethod(
        &live.main,
        [&live] {
            live.in({0x90, 60, 101});
        },
        Qt::QueuedConnection);
    live.in({0x80, 60, 64});
    EXPECT_TRUE(live.t.sink.shownSoFar().empty()) << "shown inside the send";
    EXPECT_EQ(live.t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    EXPECT_EQ(live.take(), (Lines{"90 3c 64", "80 3c 40"})) << "silent after the error";
}
