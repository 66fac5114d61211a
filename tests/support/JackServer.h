#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// A private JACK server on the dummy backend for one test program, found by its clients through
// JACK_DEFAULT_SERVER while it runs. JACK keeps a table of eight servers and reclaims the entry
// of a dead one only when a server of the same name starts again: give each test program a fixed
// name of its own, so runs side by side do not clash and a crashed run leaves no new entry.
class JackServer {
  public:
    explicit JackServer(const QString& name);
    ~JackServer(); // stops the server and restores JACK_DEFAULT_SERVER

    // Null when the server runs; otherwise why not (tools missing, server did not come up).
    const char* unavailable() const { return unavailable_; }
    // Starts the server again when it has exited (JACK servers starting and stopping side by
    // side may take one down); true when it did.
    bool restartIfExited();
    // What the server printed so far, and whether it still runs: for a failure's message.
    QString log();

  private:
    void start();

    QProcess server_;
    QString wait_;
    QByteArray savedServer_;
    const char* unavailable_ = nullptr;
};
