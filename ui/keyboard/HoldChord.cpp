// The hold chord: the latched notes taken as a chord, and replayed from any key.
#include "ui/keyboard/Keyboard.h"

#include <QPushButton>

void Keyboard::CommHoldChord_Click() {
    if (AnyNoteHeld() == 0)
        return;
    chordActive_ = 1;
    CommHoldChord->setEnabled(false);
    const NoteTable& held = policy_.latchedNotes();
    for (int note = NoteTable::LowestNote; note <= NoteTable::HighestNote; ++note)
        chordNotes_[note] = held[note];
}

void Keyboard::ReplayChord(int k) {
    const int n = keyBase_ + k;
    sendAllNotesOff();
    int lowest = 0;
    for (int note = NoteTable::LowestNote; note <= NoteTable::HighestNote; ++note)
        if (chordNotes_[note] == 1) {
            lowest = note;
            break;
        }
    ClearHeldNotes();
    ResetKeyboard();
    if (lowest == 0)
        return;
    const int shift = n - lowest;
    NoteTable& held = policy_.latchedNotes();
    for (int note = NoteTable::LowestNote; note <= NoteTable::HighestNote; ++note)
        if (chordNotes_[note] == 1 && NoteTable::inRange(note + shift))
            held[note + shift] = 1;
    for (int note = NoteTable::LowestNote; note <= NoteTable::HighestNote; ++note)
        if (held[note] == 1)
            PlayNote(note);
}
