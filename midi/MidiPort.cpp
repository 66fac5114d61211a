#include "midi/MidiPort.h"

std::uint32_t LongMessagePort::prepareHeader(MidiHdr& header, int) {
    if (!isOpen())
        return MidiError::Error;
    header.flags |= MidiHeaderPrepared;
    return MidiError::NoError;
}

std::uint32_t LongMessagePort::longMessage(MidiHdr& header, int) {
    if ((header.flags & MidiHeaderPrepared) == 0)
        return MidiError::Error;
    const std::uint32_t result = sendLong(LongMessageBytes(header));
    if (result == MidiError::NoError)
        header.flags |= MidiHeaderDone;
    return result;
}

std::uint32_t LongMessagePort::unprepareHeader(MidiHdr& header, int) {
    if (!isOpen())
        return MidiError::Error;
    header.flags &= ~MidiHeaderPrepared;
    return MidiError::NoError;
}
