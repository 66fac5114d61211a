// Which of FluidSynth's audio drivers the built-in synthesizer plays through.
#include "midi/ports/SynthPort.h"

#include "midi/ports/JackMessages.h"

#include <QByteArray>
#include <QtGlobal>
#include <jack/jack.h>

#include <algorithm>
#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A PulseAudio server, or PipeWire's, answers on PULSE_SERVER or on the socket under
// XDG_RUNTIME_DIR; a socket file left by a server that died does not count.
bool PulseServerRuns() {
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return false;
    const QByteArray path = runtime + "/pulse/native";
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// True when a JACK server runs already. Nothing here or later may start one: it would take the
// sound card from everyone else, so libjack is told never to (JACK_NO_START_SERVER, which
// FluidSynth's JACK driver obeys too).
bool JackServerRuns() {
    // A machine without JACK is the common case: its complaints stay off the terminal.
    const QuietJack quiet(qEnvironmentVariableIsEmpty("QUINTARO_SYNTH_LOG"));
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Quintaro probe", JackNoStartServer, &status);
    if (client != nullptr)
        jack_client_close(client);
    return client != nullptr;
}

} // namespace

std::string SynthPort::ChooseAudioDriver() {
    if (!qEnvironmentVariableIsSet("JACK_NO_START_SERVER"))
        qputenv("JACK_NO_START_SERVER", "1");
    const QByteArray chosen = qgetenv("QUINTARO_SYNTH_DRIVER");
    if (!chosen.isEmpty())
        return chosen.toStdString();
    if (PulseServerRuns())
        return "pulseaudio";
    if (JackServerRuns())
        return "jack";
    return "alsa";
}
