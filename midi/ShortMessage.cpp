#include "midi/ShortMessage.h"

#include <cstdio>

int ShortMessageLength(std::uint8_t status) {
    if (status < 0x80)
        return 0; // a data byte, not a status
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
        return 3; // note off/on, key pressure, control change, pitch bend
    if (status < 0xE0)
        return 2; // program change, channel pressure
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default: // tune request, real-time bytes and the rest: the status alone
        return 1;
    }
}

std::vector<std::uint8_t> ShortMessageBytes(std::uint32_t message) {
    int length = ShortMessageLength(static_cast<std::uint8_t>(message & 0xFF));
    if (length == 0)
        length = 3;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < length; ++i)
        bytes.push_back(static_cast<std::uint8_t>((message >> (8 * i)) & 0xFF));
    return bytes;
}

std::string HexLine(const std::vector<std::uint8_t>& bytes) {
    std::string line;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(bytes[i]));
        if (i > 0)
            line += ' ';
        line += buf;
    }
    return line;
}
