// Playing across machines: the program's JACK output connected to qmidinet, which sends each MIDI
// message to the ipMIDI multicast group, where the test reads it as another machine would.
// Depends on jackd and jack_wait (a private server on the dummy backend), qmidinet, and a private
// network: CTest runs this program through tests/net/in-private-network.sh, which sets
// QUINTARO_PRIVATE_NETWORK to 1 inside it; elsewhere the test skips, saying why.
#include "../ui/part/PartHost.h"
#include "support/JackServer.h"

#include <jack/jack.h>

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QUdpSocket>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>

namespace {

using Lines = std::vector<std::string>;

// qmidinet's defaults, as every ipMIDI peer has them.
const QHostAddress Group(QStringLiteral("225.0.0.37"));
constexpr quint16 GroupPort = 21928;

// Processes events until `done` or `ms` have passed; whether `done`.
template <typename Done> bool within(int ms, Done done) {
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired();) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// Whether a JACK port of this name shows up within `ms`.
bool jackPortAppears(const char* name, int ms) {
    jack_client_t* client = jack_client_open("net-test-watch", JackNoStartServer, nullptr);
    if (client == nullptr)
        return false;
    const bool found = within(ms, [&] { return jack_port_by_name(client, name) != nullptr; });
    jack_client_close(client);
    return found;
}

// What the group's datagrams carried, as a line of hex bytes.
struct GroupListener {
    QUdpSocket socket;
    QByteArray bytes;
    int datagrams = 0;

    bool join() {
        return socket.bind(QHostAddress::AnyIPv4, GroupPort,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint) &&
               socket.joinMulticastGroup(
                   Group, QNetworkInterface::interfaceFromName(QStringLiteral("lo")));
    }
    void read() {
        while (socket.hasPendingDatagrams()) {
            bytes += socket.receiveDatagram().data();
            ++datagrams;
        }
    }
    // Reads until nothing has come for `quietMs`.
    void settle(int quietMs) {
        for (int before = -1; before != datagrams;) {
            before = datagrams;
            within(quietMs, [&] {
                read();
                return datagrams != before;
            });
        }
    }
    // What came so far, and forgets it.
    std::string take() {
        const std::string text = bytes.toHex(' ').toStdString();
        bytes.clear();
        datagrams = 0;
        return text;
    }
};

std::string joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : " ") + line;
    return text;
}

} // namespace

TEST(NetworkMidi, AKeyPlayedInAPartWindowReachesTheMulticastGroupThroughQmidinet) {
    const QByteArray network = qgetenv("QUINTARO_PRIVATE_NETWORK");
    if (network != "1")
        GTEST_SKIP() << "no private network, the machine's is not used: "
                     << (network.isEmpty() ? "not run through tests/net/in-private-network.sh"
                                           : network.toStdString());
    const QString qmidinetPath = QStandardPaths::findExecutable(QStringLiteral("qmidinet"));
    if (qmidinetPath.isEmpty())
        GTEST_SKIP() << "qmidinet is not installed";
    JackServer server;
    if (server.unavailable() != nullptr)
        GTEST_SKIP() << server.unavailable();

    GroupListener listener;
    ASSERT_TRUE(listener.join()) << listener.socket.errorString().toStdString();
    QProcess qmidinet;
    qmidinet.setProcessChannelMode(QProcess::MergedChannels);
    qmidinet.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // No window, JACK MIDI only, on the private loopback; the group and port are its defaults.
    qmidinet.start(qmidinetPath, {"-g", "-j", "on", "-a", "off", "-i", "lo"});
    ASSERT_TRUE(jackPortAppears("QmidiNet:in_1", 15000))
        << qmidinet.readAll().toStdString() << server.log().toStdString();

    // The same click, first on the recording port: channel 6, Vel On 100, Vel Off 33.
    PartHost host;
    host.row(3, PartRow::Channel) = 6;
    host.row(3, PartRow::VelocityOn) = 100;
    host.row(3, PartRow::VelocityOff) = 33;
    host.open(3);
    host.keys().clickKeys({24}); // middle C
    const Lines recorded = host.take();
    ASSERT_EQ(recorded, (Lines{"95 3c 64", "85 3c 21"}));

    ASSERT_TRUE(host.main.ChooseOutput(QStringLiteral("jack:QmidiNet:in_1")));
    // Every part's state goes out when the output is chosen: some of it must arrive, then it is
    // let go.
    listener.settle(1000);
    EXPECT_GT(listener.datagrams, 0) << qmidinet.readAll().toStdString();
    listener.take();
    // Held as a hand holds it, until the Note On is out: qmidinet sends the messages of one JACK
    // period last first, which a press and release in the same period would show.
    host.keys().pressKey(24);
    EXPECT_TRUE(within(5000, [&] {
        listener.read();
        return listener.bytes.size() >= 3;
    }));
    host.keys().releaseKey(24);
    EXPECT_TRUE(within(5000, [&] {
        listener.read();
        return listener.bytes.size() >= 6;
    }));
    listener.settle(300); // and nothing else
    EXPECT_EQ(listener.take(), joined(recorded));

    qmidinet.terminate();
    qmidinet.waitForFinished(5000);
}
