#include "support/JackServer.h"

#include <QStandardPaths>

JackServer::JackServer(const QString& name) {
    const QString jackd = QStandardPaths::findExecutable("jackd");
    wait_ = QStandardPaths::findExecutable("jack_wait");
    if (jackd.isEmpty() || wait_.isEmpty()) {
        unavailable_ = "JACK tools are not installed";
        return;
    }
    savedServer_ = qgetenv("JACK_DEFAULT_SERVER");
    qputenv("JACK_DEFAULT_SERVER", name.toLocal8Bit());
    server_.setProgram(jackd);
    server_.setArguments({"--no-realtime", "-n", name, "-d", "dummy", "-r", "48000", "-p", "256"});
    server_.setProcessChannelMode(QProcess::MergedChannels);
    start();
}

void JackServer::start() {
    server_.start();
    if (!server_.waitForStarted(3000) || QProcess::execute(wait_, {"-w", "-t", "5"}) != 0)
        unavailable_ = "the JACK server did not come up";
}

bool JackServer::restartIfExited() {
    if (unavailable_ != nullptr || server_.state() != QProcess::NotRunning)
        return false;
    qWarning("JACK server exited, started again: %s", qUtf8Printable(log()));
    start();
    return true;
}

JackServer::~JackServer() {
    // Asked to stop, so that the server cleans up its entry after itself.
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(10000)) {
            server_.kill();
            server_.waitForFinished(3000);
        }
    }
    if (savedServer_.isEmpty())
        qunsetenv("JACK_DEFAULT_SERVER");
    else
        qputenv("JACK_DEFAULT_SERVER", savedServer_);
}

QString JackServer::log() {
    QString text = QString::fromLocal8Bit(server_.readAll());
    if (server_.state() == QProcess::NotRunning)
        text += QStringLiteral("[server exited, code %1]").arg(server_.exitCode());
    return text;
}
