// Devices that come and go, for real: JACK clients of the test stand for a MIDI keyboard that is
// unplugged and plugged in again, and for a synthesizer that restarts. Depends on jackd and
// jack_wait (a private server on the dummy backend).
#include "support/JackServer.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Processes events until `done` or `ms` have passed; the milliseconds it took, or -1.
template <typename Done> qint64 within(int ms, Done done) {
    QElapsedTimer clock;
    clock.start();
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired();) {
        if (done())
            return clock.elapsed();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done() ? clock.elapsed() : -1;
}

bool has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(LiveMidiJack, AKeyboardUnpluggedMidNoteIsReleasedAndComesBackByItself) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    auto keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    ASSERT_EQ(keys->error(), "") << server.log().toStdString();
    TestState t;
    t.state.PartParams.at(2).at(PartRow::Channel) = 2;
    frmMain main(t.state);
    main.show();
    main.mnuPart_Click(2);
    ASSERT_TRUE(main.ChooseInput(QStringLiteral("jack:usb-keys:midi-out")));
    ASSERT_TRUE(keys->waitConnected(10000)) << server.log().toStdString();
    t.port->clear();
    keys->send({0x90, 60, 100});
    keys->send({0xB0, 64, 127});
    ASSERT_GE(within(5000, [&] { return t.port->messageLines().size() == 2; }), 0);
    EXPECT_EQ(t.port->messageLines(), (Lines{"91 3c 64", "b1 40 7f"}));

    t.port->clear();
    keys.reset(); // unplugged with the key and the pedal down
    const qint64 released = within(3000, [&] { return t.port->messageLines().size() >= 2; });
    EXPECT_GE(released, 0);
    EXPECT_LE(released, 1000);
    EXPECT_EQ(t.port->messageLines(), (Lines{"81 3c 40", "b1 40 00"}));
    EXPECT_EQ(main.LabelMidi->text(), "MIDI In gone: jack:usb-keys:midi-out");

    keys = std::make_unique<JackMidiSender>("usb-keys", "midi-out");
    ASSERT_EQ(keys->error(), "");
    const qint64 back = within(5000, [&] { return keys->connected(); });
    EXPECT_GE(back, 0);
    EXPECT_LE(back, 2000);
    EXPECT_EQ(main.LabelMidi->text(), "MIDI In back: jack:usb-keys:midi-out");
    t.port->clear();
    keys->send({0x90, 62, 80});
    ASSERT_GE(within(5000, [&] { return !t.port->messageLines().empty(); }), 0);
    EXPECT_EQ(t.port->messageLines(), Lines{"91 3e 50"});
}

TEST(LiveMidiJack, ASynthesizerThatRestartsGetsEveryPartsStateAgain) {
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();
    auto synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_EQ(synth->error(), "") << server.log().toStdString();
    TestState t;
    t.state.PartParams.at(5).at(PartRow::ProgramFlag) = 1;
    t.state.PartParams.at(5).at(PartRow::ProgramNumber) = 41;
    frmMain main(t.state);
    main.show();
    ASSERT_TRUE(main.ChooseOutput(QStringLiteral("jack:soft-synth:midi-in")));
    ASSERT_TRUE(synth->waitReceived(16 * 10, 5000)) << synth->received().size();
    const Lines first = synth->received();
    EXPECT_TRUE(has(first, "c4 28"));

    synth.reset();
    EXPECT_GE(within(3000, [&] { return main.LabelMidi->text().startsWith("MIDI Out gone"); }), 0);
    synth = std::make_unique<JackMidiReceiver>("soft-synth", "midi-in");
    ASSERT_EQ(synth->error(), "");
    EXPECT_GE(within(3000, [&] { return main.LabelMidi->text().startsWith("MIDI Out back"); }), 0);
    ASSERT_TRUE(synth->waitReceived(first.size(), 5000)) << synth->received().size();
    EXPECT_EQ(synth->received(), first);
    EXPECT_TRUE(t.sink.shown().empty()) << "said in the status bar only";
}
