// Playing across machines: the program's JACK output connected to qmidinet, which sends each MIDI
// message to the ipMIDI multicast group, where the test reads it as another machine would.
// Depends on jackd and jack_wait (a private server on the dummy backend), qmidinet, and a private
// network: CTest runs this program through tests/net/in-private-network.sh, which sets
// QUINTARO_PRIVATE_NETWORK to 1 inside it; elsewhere the test skips, saying why.
#include "../ui/part/PartHost.h"
#include "devices/Devices.h"
#include "midi/ports/PortWatcher.h"
#include "support/JackServer.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QUdpSocket>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>

TEST(NetworkMidi, AKeyPlayedInAPartWindowReachesTheMulticastGroupThroughQmidinet) {
    const QByteArray network = qgetenv("QUINTARO_PRIVATE_NETWORK");
    if (network != "1") // what in-private-network.sh says it could not do, or nothing without it
        GTEST_SKIP() << "no private network, the machine's is not used: " << network.data();
    const QString qmidinetPath = QStandardPaths::findExecutable(QStringLiteral("qmidinet"));
    if (qmidinetPath.isEmpty())
        GTEST_SKIP() << "qmidinet is not installed";
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();

    // The group of qmidinet's defaults, as every ipMIDI peer has them; what its datagrams carry.
    QUdpSocket group;
    ASSERT_TRUE(group.bind(QHostAddress::AnyIPv4, 21928, QUdpSocket::ShareAddress) &&
                group.joinMulticastGroup(QHostAddress(QStringLiteral("225.0.0.37")),
                                         QNetworkInterface::interfaceFromName("lo")))
        << group.errorString().toStdString();
    QByteArray heard;
    // Until `bytes` have come, then `ms` more: what came, forgotten.
    const auto take = [&](int bytes, int ms) {
        (void)QTest::qWaitFor([&] { return heard.size() >= bytes; }, 5000);
        QTest::qWait(ms);
        return std::exchange(heard, {}).toHex(' ').toStdString();
    };
    QObject::connect(&group, &QUdpSocket::readyRead, [&] {
        while (group.hasPendingDatagrams())
            heard += group.receiveDatagram().data();
    });
    QProcess qmidinet;
    qmidinet.setProcessChannelMode(QProcess::MergedChannels);
    qmidinet.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // No window, JACK MIDI only, on the private loopback; the group and port are its defaults.
    qmidinet.start(qmidinetPath, {"-g", "-j", "on", "-a", "off", "-i", "lo"});
    PortWatcher watcher;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.outputPresent("jack:QmidiNet:in_1"); }, 15000))
        << qmidinet.readAll().toStdString() << server.log().toStdString();

    // Part 3 on channel 6, Vel On 100, Vel Off 33.
    PartHost host;
    host.row(3, PartRow::Channel) = 6;
    host.row(3, PartRow::VelocityOn) = 100;
    host.row(3, PartRow::VelocityOff) = 33;
    host.open(3);
    host.keys().clickKeys({24}); // middle C, first on the recording port
    ASSERT_EQ(host.take(), (std::vector<std::string>{"95 3c 64", "85 3c 21"}));

    // Every part's state goes out when the output is chosen: some of it must arrive.
    ASSERT_TRUE(host.main.devices().ChooseOutput(QStringLiteral("jack:QmidiNet:in_1")));
    EXPECT_NE(take(1, 2000), "") << qmidinet.readAll().toStdString();
    // Held as a hand holds it, until the Note On is out: qmidinet sends the messages of one JACK
    // period last first, which a press and release in the same period would show.
    host.keys().pressKey(24);
    EXPECT_EQ(take(3, 300), "95 3c 64");
    host.keys().releaseKey(24);
    EXPECT_EQ(take(3, 300), "85 3c 21");
    qmidinet.terminate();
    qmidinet.waitForFinished(5000);
}
