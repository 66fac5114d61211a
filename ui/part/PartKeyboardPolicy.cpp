#include "ui/part/PartKeyboardPolicy.h"

#include "app/AppState.h"

NoteTable& PartKeyboardPolicy::latchedNotes() {
    return state_.HeldNotes;
}

void PartKeyboardPolicy::makeCurrent() {
    state_.makeCurrent(part_);
}

std::vector<NoteTarget> PartKeyboardPolicy::noteOnTargets(int note) {
    return {{channel(), note + row(PartRow::Transposition) - 12, row(PartRow::VelocityOn)}};
}

int PartKeyboardPolicy::noteOffVelocity(int) {
    return row(PartRow::VelocityOff);
}

int PartKeyboardPolicy::stripReleaseVelocity(int) {
    return row(PartRow::VelocityOff);
}

std::vector<int> PartKeyboardPolicy::allNotesOffChannels() {
    return {channel()};
}

void PartKeyboardPolicy::storeModes(int clickKey, int holdNote) {
    row(PartRow::ClickKey) = static_cast<std::uint8_t>(clickKey);
    row(PartRow::HoldNote) = static_cast<std::uint8_t>(holdNote);
}

void PartKeyboardPolicy::storeKeyShift(int value) {
    row(PartRow::KeyShift) = static_cast<std::uint8_t>(value);
}

bool PartKeyboardPolicy::velocityFromHeight() {
    return state_.VelocityFromHeight;
}

std::uint8_t& PartKeyboardPolicy::row(int r) {
    return state_.partRow(part_, r);
}

int PartKeyboardPolicy::channel() {
    return partChannel(row(PartRow::Channel));
}
