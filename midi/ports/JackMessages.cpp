#include "midi/ports/JackMessages.h"

#include <jack/jack.h>

#include <QtGlobal>

namespace {

thread_local bool quietJack = false;

void JackMessage(const char* text) {
    if (!quietJack)
        qWarning("JACK: %s", text);
}

// Installed once, before the first client is opened: libjack keeps one function for the whole
// program.
const bool installed = [] {
    jack_set_error_function(JackMessage);
    jack_set_info_function(JackMessage);
    return true;
}();

} // namespace

QuietJack::QuietJack(bool quiet) : wasQuiet_(quietJack) {
    (void)installed;
    quietJack = quiet;
}

QuietJack::~QuietJack() {
    quietJack = wasQuiet_;
}

jack_client_t* OpenJackClientQuietly(const char* name) {
    const QuietJack quiet;
    jack_status_t status{};
    return jack_client_open(name, JackNoStartServer, &status);
}
