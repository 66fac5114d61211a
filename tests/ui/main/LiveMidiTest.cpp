// The program at the edges where it meets live devices: a device error while other events wait,
// an input that goes away or loops back, bend and modulation held while the window changes, a
// synthesizer that starts empty, and what a switch of the output re-sends.
#include "app/PartStates.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/MidiDeviceWatch.h"
#include "ui/main/MidiInputRouter.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmMidi.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
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
    // Part `n` on MIDI channel `channel`, its window opened and current.
    frmPart* part(int n, int channel) {
        t.state.PartParams.at(n).at(PartRow::Channel) = static_cast<std::uint8_t>(channel);
        main.mnuPart_Click(n);
        return main.PartWindow(n);
    }
    Lines take() {
        Lines lines = t.port->messageLines();
        t.port->clear();
        return lines;
    }
    TestState t;
    frmMain main;
};

// The main window's watch over `live`'s devices, whose ports come and go as the test says.
struct FakeDevices {
    explicit FakeDevices(Live& live) : watch(live.main.deviceWatch()) {
        watch.setAccess({[this](const QString&) { return inputThere; },
                         [this](const QString&) { return outputThere; },
                         [this](const QString&) { return ++inputOpens, inputThere; },
                         [this, &live](const QString&) {
                             ++outputOpens;
                             live.t.state.midi.setOutputEnabled(true);
                             return outputThere;
                         }});
    }
    bool inputThere = true;
    bool outputThere = true;
    int inputOpens = 0;
    int outputOpens = 0;
    MidiDeviceWatch& watch;
};

} // namespace

// A failing send shows its message only after the handler that sent returned: a box's event
// loop inside the send let a queued Note On of the same key run inside an incoming Note Off (a
// use after free in the router), and let the notepad's reopening run inside the master
// keyboard's load (its channel boxes then toggled the stored channels off).
TEST(LiveMidi, ADeviceErrorIsShownAfterTheSendOrLoadThatFailed) {
    {
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
    TestState t;
    t.sink.runsEventLoop = true;
    for (int kind : {WindowKind::MasterKb, WindowKind::Notepad})
        t.state.WindowRecs.at(kind).Open = 1;
    for (int n = 1; n <= 16; ++n)
        t.state.MasterKbSettings.at(n) = n == 1 || n == 10;
    t.port->failOn(RecordingPort::Call::Short, 1, MidiError::Error);
    frmMain main(t.state);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.MasterKbWindow() && main.NotepadWindow(); }));
    EXPECT_EQ(t.sink.texts(), std::vector<QString>{"Output MIDI Device error"});
    main.close();
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(t.state.MasterKbSettings.at(n), n == 1 || n == 10) << "channel " << n;
}

// Bend, modulation and the pedal go back to rest on every channel they went to, whichever
// window is current when they return, and when the input goes away.
TEST(LiveMidi, HeldControllersReturnToRestWhereTheyWent) {
    Live live;
    frmPart* part3 = live.part(3, 3);
    frmPart* part4 = live.part(4, 4);
    live.main.mdiArea()->setActiveSubWindow(part3);
    live.take();
    live.in({0xE0, 0x00, 0x7F});
    live.in({0xB0, 0x01, 0x7F});
    live.main.mdiArea()->setActiveSubWindow(part4);
    live.in({0xE0, 0x00, 0x40});
    live.in({0xB0, 0x01, 0x00});
    EXPECT_EQ(live.take(),
              (Lines{"e2 00 7f", "b2 01 7f", "e2 00 40", "e3 00 40", "b2 01 00", "b3 01 00"}));

    // Unplugged while a key, the pedal, the bend and the modulation are held on part 4.
    FakeDevices devices(live);
    devices.watch.setInputChoice(QStringLiteral("alsa:Keys"));
    live.in({0x90, 60, 90});
    live.in({0xB0, 64, 127});
    live.in({0xE0, 0x00, 0x60});
    live.in({0xB0, 0x01, 0x30});
    live.take();
    devices.watch.check();
    EXPECT_EQ(live.take(), Lines{}) << "nothing while the input is there";
    devices.inputThere = false;
    devices.watch.check();
    EXPECT_EQ(live.take(), (Lines{"83 3c 40", "b3 40 00", "e3 00 40", "b3 01 00"}));
    EXPECT_FALSE(part4->keyboard().isMarked(60 - part4->keyboard().KeyBase()));
    EXPECT_EQ(live.main.LabelMidi->text(), "MIDI In gone: alsa:Keys");
    devices.watch.check();
    EXPECT_EQ(devices.inputOpens, 0);

    devices.inputThere = true;
    devices.watch.check();
    EXPECT_EQ(devices.inputOpens, 1);
    EXPECT_EQ(live.main.LabelMidi->text(), "MIDI In back: alsa:Keys");
    live.in({0x90, 62, 90});
    EXPECT_EQ(live.take(), Lines{"93 3e 5a"});
}

// An output that vanishes is not sent to: what sounds on it is forgotten, not sent into the void;
// when it is back it is opened again.
TEST(LiveMidi, AnOutputThatGoesIsForgottenAndReopenedWhenBack) {
    Live live;
    frmPart* part = live.part(1, 1);
    FakeDevices devices(live);
    devices.watch.setOutputChoice(QStringLiteral("jack:Synth"));
    part->keyboard().CheckHoldNote->setChecked(true);
    QTest::mouseClick(part->keyboard().Key[10], Qt::LeftButton, {}, QPoint(3, 3));
    live.take();
    devices.outputThere = false;
    devices.watch.check();
    EXPECT_FALSE(live.t.state.midi.outputEnabled());
    EXPECT_FALSE(part->keyboard().isMarked(10)) << "the latched note is forgotten";
    EXPECT_EQ(live.take(), Lines{});
    EXPECT_EQ(live.main.LabelMidi->text(), "MIDI Out gone: jack:Synth");
    devices.outputThere = true;
    devices.watch.check();
    EXPECT_EQ(devices.outputOpens, 1);
    EXPECT_EQ(live.main.LabelMidi->text(), "MIDI Out back: jack:Synth");
    EXPECT_TRUE(live.t.sink.shown().empty()) << "said in the status bar only";
}

// An input that brings back what the program sends (a loop through a device) would replay each
// message for ever: its echoes give it away, it is closed and the flood ends. A musician who
// repeats the same note slower than a loop returns it is not taken for one.
TEST(LiveMidi, ALoopBackIsRefusedAndBoundedButRepeatedNotesAreNot) {
    Live live;
    live.part(1, 1);
    for (int i = 0; i < 20; ++i) {
        live.in({0x90, 60, 100});
        QTest::qWait(MidiInputRouter::EchoWindow.count() + 10);
        live.in({0x80, 60, 64});
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
    EXPECT_LE(live.t.port->count(RecordingPort::Call::Short), 2 * MidiInputRouter::EchoLimit);
    EXPECT_EQ(live.main.LabelMidi->text().left(14), "MIDI In refuse");
    const int sent = live.t.port->count(RecordingPort::Call::Short);
    QTest::qWait(100);
    EXPECT_EQ(live.t.port->count(RecordingPort::Call::Short), sent) << "the flood ended";
}

// "Send all parts" and a switch of the output send every part's state and the open master
// keyboard's sliders; a pedal held on the old output is released there before it closes.
TEST(LiveMidi, SendAllPartsAndASwitchReachTheMasterKeyboardAndThePedal) {
    Live live;
    for (int n = 1; n <= 16; ++n)
        live.t.state.MasterKbSettings.at(n) = n == 5;
    live.t.state.MasterKbSettings.at(MasterKbElement::FirstSlider + 7) = 33; // Mod 1
    live.main.mnuMasterKb_Click();
    live.part(1, 1);
    live.main.mnuMidi_Click();
    live.take();
    QTest::mouseClick(live.main.MidiBox->CommSendAll, Qt::LeftButton);
    Lines sent = live.take();
    // Ten messages a part, then the master keyboard's nine sliders that send, on its channel 5.
    ASSERT_EQ(sent.size(), 16u * 10 + 9);
    EXPECT_EQ(sent.front(), "c0 00");
    EXPECT_EQ(sent[16 * 10], "b4 07 64");
    EXPECT_EQ(sent[16 * 10 + 5], "b4 01 21");

    Lines old;
    live.t.port->onShort = [&old](const Bytes& bytes) { old.push_back(HexLine(bytes)); };
    live.in({0xB0, 64, 127});
    live.main.ChooseOutput(QStringLiteral("none"));
    ASSERT_GE(old.size(), 3u);
    EXPECT_EQ(Lines(old.begin(), old.begin() + 3), (Lines{"b0 40 7f", "b0 40 00", "b0 7b 00"}));
}
