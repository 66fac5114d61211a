// Notes and controllers from the MIDI input, played through the current part window or the
// master keyboard: the routing from incoming bytes to outgoing bytes, then the whole way from a
// JACK client through a real input port.
#include "midi/ports/MidiInput.h"
#include "support/JackServer.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Part `n` on MIDI channel `channel` (1..16), transposed by `semitones`, its window opened.
frmPart* OpenPart(frmMain& w, AppState& s, int n, int channel, int semitones) {
    s.PartParams.at(n).at(PartRow::Channel) = static_cast<std::uint8_t>(channel);
    s.PartParams.at(n).at(PartRow::Transposition) = static_cast<std::uint8_t>(12 + semitones);
    s.PartParams.at(n).at(PartRow::VelocityOn) = 100; // never used for incoming notes
    w.mnuPart_Click(n);
    return w.PartWindow(n);
}

} // namespace

TEST(MidiInput, NotesAndControllersFollowTheCurrentWindowAndEachNoteOffItsNoteOn) {
    TestState t;
    frmMain w(t.state);
    w.show();
    const auto in = [&t](std::vector<std::uint8_t> bytes) { t.state.midiIn.handler()(bytes); };
    const auto sent = [&t] {
        Lines lines = t.port->messageLines();
        t.port->clear();
        return lines;
    };

    // No window to play through: nothing goes out, and a later Note Off finds nothing.
    in({0x90, 60, 90});
    in({0xB0, 64, 127});
    EXPECT_EQ(sent(), Lines{});

    frmPart* part3 = OpenPart(w, t.state, 3, 5, +2);
    frmPart* part4 = OpenPart(w, t.state, 4, 6, 0);
    w.mdiArea()->setActiveSubWindow(part3);
    sent();
    Keyboard& keys3 = part3->keyboard();
    in({0x90, 60, 0x45}); // any incoming channel: played on the part's, transposed, velocity kept
    in({0xB3, 64, 127});
    in({0xE0, 0x00, 0x50});
    in({0xB0, 1, 0x20});
    in({0xB0, 7, 0x20}); // other controllers are not passed on
    in({0xC0, 5});
    EXPECT_EQ(sent(), (Lines{"94 3e 45", "b4 40 7f", "e4 00 50", "b4 01 20"}));
    EXPECT_TRUE(keys3.isMarked(60 - keys3.KeyBase()));
    EXPECT_EQ(keys3.Text1->text(), "C/Do (60)");

    // The current part changes while the key and the pedal are held: the Note Off and the
    // pedal's release still reach part 3's channel.
    w.mdiArea()->setActiveSubWindow(part4);
    sent();
    in({0x90, 64, 0x50});
    in({0x80, 60, 0x30});
    in({0xB0, 64, 0});
    in({0x90, 64, 0}); // a Note On of velocity 0 is a Note Off
    EXPECT_EQ(sent(), (Lines{"95 40 50", "84 3e 30", "b4 40 00", "b5 40 00", "85 40 40"}));
    EXPECT_FALSE(keys3.isMarked(60 - keys3.KeyBase()));
    EXPECT_TRUE(keys3.Text1->text().isEmpty());

    // A key pressed again before its release ends its first note; the window closing silences
    // its channel, and the Note Off of a note it played then sends nothing.
    in({0x90, 62, 0x40});
    in({0x90, 62, 0x41});
    part4->close();
    sent();
    in({0x80, 62, 0});
    EXPECT_EQ(sent(), Lines{});

    // The master keyboard as the current window: every channel switched on, velocity kept.
    for (int ch = MasterKbElement::FirstChannel; ch <= MasterKbElement::LastChannel; ++ch)
        t.state.MasterKbSettings.at(ch) = ch == 1 || ch == 3;
    w.mnuMasterKb_Click();
    ASSERT_NE(w.MasterKbWindow(), nullptr);
    w.mdiArea()->setActiveSubWindow(w.MasterKbWindow());
    sent();
    in({0x90, 48, 0x64});
    in({0xE5, 0x10, 0x40});
    w.mdiArea()->setActiveSubWindow(part3);
    in({0x80, 48, 0x20});
    EXPECT_EQ(sent(),
              (Lines{"90 30 64", "92 30 64", "e0 10 40", "e2 10 40", "80 30 20", "82 30 20"}));
}

// A JACK client plays into the program's input on a private server; the recording output shows
// the notes on the current part's channel with its transposition, handled on the UI thread. Each
// step waits for what it needs: the server answering, the client's port (registered before the
// input lists the ports), the connection as the client's own process cycle sees it.
TEST(MidiInput, NotesFromAJackClientPlayThroughTheCurrentPart) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    JackMidiSender client("midi-keyboard", "keys");
    ASSERT_EQ(client.error(), "") << server.log().toStdString();

    TestState t;
    frmMain w(t.state);
    w.show();
    frmPart* part2 = OpenPart(w, t.state, 2, 3, -1);
    frmPart* part5 = OpenPart(w, t.state, 5, 7, 0);
    w.mdiArea()->setActiveSubWindow(part2);
    ASSERT_TRUE(t.state.midiIn.open("jack:midi-keyboard")) << t.state.midiIn.lastError();
    EXPECT_EQ(t.state.midiIn.openPortName(), "midi-keyboard:keys");
    ASSERT_TRUE(client.waitConnected(10000)) << server.log().toStdString();
    bool onUiThread = true;
    const MidiInput::Handler route = t.state.midiIn.handler();
    t.state.midiIn.setHandler([&](const std::vector<std::uint8_t>& message) {
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        route(message);
    });
    t.port->clear();

    // Sends one message and waits until the output holds `count` messages; the time it took.
    const auto play = [&](std::initializer_list<std::uint8_t> bytes, std::size_t count) {
        QElapsedTimer clock;
        clock.start();
        client.send(bytes);
        while (t.port->messageLines().size() < count && clock.elapsed() < 10000)
            QTest::qWait(1);
        return clock.elapsed();
    };
    const qint64 first = play({0x90, 60, 0x64}, 1);
    w.mdiArea()->setActiveSubWindow(part5);
    play({0x90, 64, 0x50}, 2);
    play({0x80, 60, 0x00}, 3); // to part 2, where its Note On went
    play({0x90, 67, 0x00}, 3); // the Note Off of a note never played sends nothing...
    play({0x90, 64, 0x00}, 4); // ...as the next one shows
    EXPECT_EQ(t.port->messageLines(), (Lines{"92 3b 64", "96 40 50", "82 3b 00", "86 40 40"}));
    EXPECT_TRUE(onUiThread);
    std::printf("[ measure ] JACK client to the program's output: %lld ms\n",
                static_cast<long long>(first));

    t.state.midiIn.close();
    EXPECT_FALSE(t.state.midiIn.isOpen());
    EXPECT_FALSE(t.state.midiIn.open("jack:no-such-port"));
    EXPECT_FALSE(t.state.midiIn.lastError().empty());
    EXPECT_FALSE(t.state.midiIn.open("serial"));
    EXPECT_TRUE(t.state.midiIn.open("none"));
}
