#include "midi/ports/PortIdentity.h"

#include <cctype>
#include <string_view>

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    return true;
}

// Without ALSA's trailing " C:P", after "CLIENT:PORT" (so a JACK name, which has one colon, keeps
// its digits).
std::string WithoutClientPortNumbers(const std::string& name) {
    const std::size_t blank = name.find_last_of(' ');
    if (blank == std::string::npos || name.find(':') > blank)
        return name;
    const std::string_view numbers = std::string_view(name).substr(blank + 1);
    const std::size_t colon = numbers.find(':');
    if (colon == std::string_view::npos || !AllDigits(numbers.substr(0, colon)) ||
        !AllDigits(numbers.substr(colon + 1)))
        return name;
    return name.substr(0, blank);
}

// Without a2j's " [N]" before " (capture)" or " (playback)".
std::string WithoutBridgeClientNumber(std::string name) {
    for (const std::string_view side : {" (capture)", " (playback)"}) {
        const std::size_t at = name.find(side);
        if (at == std::string::npos || at == 0 || name[at - 1] != ']')
            continue;
        const std::size_t open = name.rfind(" [", at);
        if (open != std::string::npos &&
            AllDigits(std::string_view(name).substr(open + 2, at - 1 - (open + 2))))
            name.erase(open, at - open);
    }
    return name;
}

// The identity with a2j's side marks taken out: the two sides of one ALSA port compare equal.
std::string WithoutBridgeSide(std::string identity) {
    for (const std::string_view side : {" (capture)", " (playback)"})
        if (const std::size_t at = identity.find(side); at != std::string::npos)
            identity.erase(at, side.size());
    return identity;
}

} // namespace

std::string StablePortIdentity(const std::string& rtMidiPortName) {
    return WithoutBridgeClientNumber(WithoutClientPortNumbers(rtMidiPortName));
}

bool PortMatches(const std::string& portName, const std::string& filter) {
    if (filter.empty() || portName.find(filter) != std::string::npos)
        return true;
    const std::string identity = StablePortIdentity(filter);
    return !identity.empty() && StablePortIdentity(portName).find(identity) != std::string::npos;
}

bool SameDevice(const std::string& inputPortName, const std::string& outputPortName) {
    if (inputPortName.empty() || outputPortName.empty())
        return false;
    const std::string in = StablePortIdentity(inputPortName);
    const std::string out = StablePortIdentity(outputPortName);
    return in == out || (in.starts_with("a2j:") && out.starts_with("a2j:") &&
                         WithoutBridgeSide(in) == WithoutBridgeSide(out));
}

bool IsOwnPort(const std::string& portName) {
    return portName.find(OwnInputPortName) != std::string::npos ||
           portName.find(OwnOutputPortName) != std::string::npos;
}
