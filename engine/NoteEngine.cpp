#include "engine/NoteEngine.h"

#include "midi/Midi.h"

#include <algorithm>
#include <utility>

NoteEngine::NoteEngine(Midi& midi, NotePolicy& policy) : midi_(midi), policy_(policy) {}

void NoteEngine::setModes(bool clickKey, bool holdNote) {
    clickKey_ = clickKey;
    holdNote_ = holdNote;
}

// Pressing and letting go

void NoteEngine::press(NoteSource source, int note, int velocity) {
    if (source.kind == NoteSource::Kind::MidiIn) {
        release(source, velocity);
        own_[source] = note;
        play(source, note, velocity);
        return;
    }
    if (chordActive_) {
        replayChord(note, velocity);
        return;
    }
    // In hover mode the pointer plays by moving; a computer key plays while it is held.
    if (!clickKey_ && source.kind != NoteSource::Kind::ComputerKey)
        return;
    release(source);
    NoteTable& held = latched();
    if (holdNote_ && held[note] == 1) {
        unlatch(note);
        return;
    }
    if (holdNote_) {
        play({NoteSource::Kind::Latch}, note, velocity);
        held[note] = 1;
    } else {
        play(source, note, velocity);
        own_[source] = note;
    }
}

void NoteEngine::release(NoteSource source, int velocity) {
    auto node = own_.extract(source);
    if (node.empty() || !holds(source, node.mapped()))
        return;
    const int note = node.mapped();
    drop(source, note, velocity >= 0 ? velocity : PolicyVelocity);
    // The box goes on showing a note another hand still holds.
    if (!sounds(note))
        emit shown(NoNote);
}

void NoteEngine::hover(NoteSource source, int note, bool lowestStrip, int velocity) {
    if (clickKey_)
        return;
    if (note == NoNote) {
        release(source);
        return;
    }
    policy_.makeCurrent();
    if (auto own = own_.find(source);
        own != own_.end() && own->second == note && holds(source, note)) {
        if (!lowestStrip)
            return;
        // Released at once; the box keeps showing the note.
        own_.erase(own);
        drop(source, note, StripVelocity);
        return;
    }
    release(source);
    play(source, note, velocity);
    own_[source] = note;
}

void NoteEngine::unlatch(int note) {
    latched()[note] = 0;
    if (!drop({NoteSource::Kind::Latch}, note, PolicyVelocity) && !sounds(note))
        emit unmarked(note); // latched and silenced by All Notes Off: the mark goes
    emit shown(NoNote);
}

void NoteEngine::play(NoteSource source, int note, int velocity) {
    const bool incoming = source.kind == NoteSource::Kind::MidiIn;
    if (!incoming)
        policy_.makeCurrent();
    emit marked(note);
    // A note that went nowhere (the master keyboard with no channel on) is remembered too, so
    // that its release takes its mark off as any other.
    auto [it, first] = sounding_.try_emplace(note);
    it->second.holders.insert(source);
    if (first) {
        for (NoteTarget t : policy_.noteOnTargets(note)) {
            if (incoming) {
                if (t.note < 0 || t.note > 127)
                    continue; // transposed off the end of the MIDI range
                t.velocity = velocity;
            } else if (velocity > 0 && policy_.velocityFromHeight()) {
                t.velocity = velocity;
            }
            midi_.SendNoteOn(t.channel, t.note, t.velocity);
            it->second.targets.push_back(t);
        }
    }
    emit shown(note);
}

bool NoteEngine::holds(NoteSource source, int note) const {
    const auto it = sounding_.find(note);
    return it != sounding_.end() && it->second.holders.count(source) != 0;
}

bool NoteEngine::drop(NoteSource source, int note, int offVelocity) {
    auto it = sounding_.find(note);
    if (it == sounding_.end() || it->second.holders.erase(source) == 0 ||
        !it->second.holders.empty())
        return false;
    // The Note Off goes where the Note On went, whatever the transposition or the channels are
    // now.
    const Sounding s = std::move(it->second);
    sounding_.erase(it);
    for (const NoteTarget& t : s.targets) {
        const int velocity = offVelocity >= 0 ? offVelocity
                             : offVelocity == StripVelocity
                                 ? policy_.stripReleaseVelocity(t.channel)
                                 : policy_.noteOffVelocity(t.channel);
        midi_.SendNoteOff(t.channel, t.note, velocity);
    }
    emit unmarked(note);
    return true;
}

// All Notes Off

void NoteEngine::sendAllNotesOff() {
    for (int channel : policy_.allNotesOffChannels()) {
        midi_.SendAllNotesOff(channel);
        // Nothing is remembered as sounding there: a later release sends nothing, and a source
        // still holding such a note holds nothing.
        for (auto it = sounding_.begin(); it != sounding_.end();) {
            auto& targets = it->second.targets;
            std::erase_if(targets, [channel](const NoteTarget& t) { return t.channel == channel; });
            it = targets.empty() ? sounding_.erase(it) : std::next(it);
        }
    }
}

void NoteEngine::allNotesOff() {
    sendAllNotesOff();
    chordActive_ = false;
    emit shown(NoNote);
}

void NoteEngine::releaseAll() {
    while (!sounding_.empty()) {
        Sounding& s = sounding_.begin()->second;
        const NoteSource last = *s.holders.begin();
        s.holders = {last};
        drop(last, sounding_.begin()->first, PolicyVelocity);
    }
    own_.clear();
    latched().clear();
    chordActive_ = false;
    emit marksCleared();
    emit shown(NoNote);
}

std::vector<int> NoteEngine::noteChannels() {
    return policy_.controllerChannels();
}

// The hold chord: the latched notes taken as a chord, and replayed from any key

bool NoteEngine::takeChord() {
    if (!latched().any())
        return false;
    chordActive_ = true;
    chordNotes_ = latched();
    return true;
}

void NoteEngine::clearChord() {
    chordActive_ = false;
    chordNotes_.clear();
}

void NoteEngine::replayChord(int note, int velocity) {
    sendAllNotesOff();
    int lowest = 0;
    for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
        if (chordNotes_[n] == 1) {
            lowest = n;
            break;
        }
    NoteTable& held = latched();
    held.clear();
    emit marksCleared();
    if (lowest == 0)
        return;
    const int shift = note - lowest;
    for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
        if (chordNotes_[n] == 1 && NoteTable::inRange(n + shift))
            held[n + shift] = 1;
    for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
        if (held[n] == 1)
            play({NoteSource::Kind::Latch}, n, velocity);
}
