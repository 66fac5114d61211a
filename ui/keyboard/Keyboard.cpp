#include "ui/keyboard/Keyboard.h"

#include "midi/Midi.h"
#include "ui/Twips.h"
#include "ui/keyboard/KeyboardGeometry.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

using namespace KeyboardGeometry;

namespace {

QRect placeRect(const Place& p) {
    return twips::rect(p.left, p.top, p.width, p.height);
}

const char* const NoteNames[12] = {"C/Do",   "C#/Do#", "D/Re",    "D#/Re#", "E/Mi",   "F/Fa",
                                   "F#/Fa#", "G/Sol",  "G#/Sol#", "A/La",   "A#/La#", "B/Si"};

} // namespace

Keyboard::Keyboard(Midi& midi, KeyboardPolicy& policy, QWidget* client)
    : QObject(nullptr), midi_(midi), policy_(policy), client_(client) {
    keyNotes_.fill(NoNote);
    client_->setMouseTracking(true);
    client_->installEventFilter(this);

    Frame1 = new KeyboardFrame(client_);
    Frame1->setObjectName("Frame1");
    Frame1->setFocusPolicy(Qt::ClickFocus); // a click on a key gives it, for the computer keys
    Frame1->setGeometry(twips::rect(FrameLeft, FrameTop, FrameWidth, FrameHeight));
    Frame1->installEventFilter(this); // the computer keys and the fingers
    Frame1->setAttribute(Qt::WA_AcceptTouchEvents);
    connect(Frame1, &KeyboardFrame::pointerMoved, this, &Keyboard::Form_MouseMove);
    connect(Frame1, &KeyboardFrame::focusLost, this, &Keyboard::ReleaseComputerKeys);

    Keys = new KeyboardKeys(Frame1);
    Keys->setObjectName("Keys");
    connect(Keys, &KeyboardKeys::pressed, this, &Keyboard::keyPressed);
    connect(Keys, &KeyboardKeys::released, this, &Keyboard::Key_MouseUp);
    connect(Keys, &KeyboardKeys::moved, this, &Keyboard::Key_MouseMove);

    for (int i = 0; i < 6; ++i) {
        Label1[i] = new QLabel(Frame1);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    HScroll1 = new QScrollBar(Qt::Horizontal, Frame1);
    HScroll1->setObjectName("HScroll1");
    HScroll1->setRange(0, 3);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    HScroll1->setValue(0);

    CheckClickKey = new QCheckBox(QStringLiteral("Click Key"), client_);
    CheckClickKey->setObjectName("CheckClickKey");
    CheckClickKey->setGeometry(placeRect(ClickKeyPlace));
    CheckHoldNote = new QCheckBox(QStringLiteral("Hold Note"), client_);
    CheckHoldNote->setObjectName("CheckHoldNote");
    CheckHoldNote->setGeometry(placeRect(HoldNotePlace));
    CommHoldChord = new QPushButton(QStringLiteral("Hold Chord"), client_);
    CommHoldChord->setObjectName("CommHoldChord");
    CommHoldChord->setGeometry(placeRect(HoldChordPlace));
    CommAllNoteOff = new QPushButton(QStringLiteral("All Notes Off"), client_);
    CommAllNoteOff->setObjectName("CommAllNoteOff");
    CommAllNoteOff->setGeometry(placeRect(AllNotesOffPlace));
    Label1[6] = new QLabel(QStringLiteral("Note (Number)"), client_);
    Label1[6]->setObjectName("Label1_6");
    Label1[6]->setGeometry(placeRect(NoteCaptionPlace));
    Text1 = new QLineEdit(client_);
    Text1->setObjectName("Text1");
    Text1->setReadOnly(true);
    // Its text changes with every note: the box fills its own background (the window's colour,
    // as around it), so a change repaints the box alone and not the window behind it.
    Text1->setBackgroundRole(QPalette::Window);
    Text1->setAutoFillBackground(true);
    Text1->setGeometry(placeRect(NoteTextPlace));

    PlaceOctaveLabels();
    layoutKeys();

    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    connect(CheckClickKey, &QAbstractButton::toggled, this, [this] { CheckClickKey_Click(); });
    connect(CheckHoldNote, &QAbstractButton::toggled, this, [this] { CheckHoldNote_Click(); });
    connect(CommHoldChord, &QAbstractButton::clicked, this, [this] { CommHoldChord_Click(); });
    connect(CommAllNoteOff, &QAbstractButton::clicked, this, [this] { CommAllNoteOff_Click(); });
}

void Keyboard::layoutKeys() {
    HScroll1->setGeometry(twips::rect(0, ScrollTop, ScrollWidth, ScrollHeight));
    Keys->move(0, 0);
}

void Keyboard::SetUp(int keyShift, int clickKey, int holdNote) {
    // A Hold Note stored without Click Key cannot be reached by the boxes; load it unchecked,
    // so the window is in plain hover mode, and store the pair the window shows.
    const bool normalise = clickKey == 0 && holdNote != 0;
    if (normalise)
        holdNote = 0;

    HScroll1->setValue(keyShift);
    keyBase_ = 12 + 12 * HScroll1->value();
    CheckClickKey->setChecked(clickKey != 0);
    CheckHoldNote->setChecked(holdNote != 0);
    if (normalise)
        policy_.storeModes(0, 0);

    ClearHeldNotes();
    ClearChord();
    soundingNote_ = NoNote;

    PlaceOctaveLabels();
    layoutKeys();
    RecolourKeys();
    Text1->clear();

    CheckHoldNote->setEnabled(CheckClickKey->isChecked());
    updateHoldChordEnable();
}

int Keyboard::clickKey() const {
    return CheckClickKey->isChecked() ? 1 : 0;
}

int Keyboard::holdNote() const {
    return CheckHoldNote->isChecked() ? 1 : 0;
}

void Keyboard::updateHoldChordEnable() {
    CommHoldChord->setEnabled(CheckClickKey->isChecked() && CheckHoldNote->isChecked() &&
                              chordActive_ == 0);
}

QString Keyboard::PitchName(int note, bool italian) {
    const QString both = QString::fromLatin1(NoteNames[note % 12]);
    return both.section(QLatin1Char('/'), italian ? 1 : 0, italian ? 1 : 0);
}

QString Keyboard::NoteText(int note) {
    return QString::fromLatin1(NoteNames[note % 12]) + QStringLiteral(" (") +
           QString::number(note) + QStringLiteral(")");
}

void Keyboard::markNote(int note) {
    const int k = note - keyBase_;
    if (k >= 0 && k < KeyCount)
        Keys->mark(k);
}

void Keyboard::unmarkNote(int note) {
    const int k = note - keyBase_;
    if (k >= 0 && k < KeyCount)
        Keys->setPlain(k);
}

void Keyboard::forgetChannel(int channel) {
    for (auto it = sounding_.begin(); it != sounding_.end();) {
        auto& targets = it->second.targets;
        std::erase_if(targets, [channel](const NoteTarget& t) { return t.channel == channel; });
        if (targets.empty())
            it = sounding_.erase(it);
        else
            ++it;
    }
    // An incoming note keeps its record while its key is down elsewhere, so that its Note Off
    // still takes the mark off.
    for (auto& [id, s] : external_)
        std::erase_if(s.targets, [channel](const NoteTarget& t) { return t.channel == channel; });
}

void Keyboard::unmarkKeyIfFree(int k) {
    if (k < 0 || k >= KeyCount)
        return;
    const int shown = keyBase_ + k;
    if (policy_.latchedNotes()[shown] == 1)
        return;
    if (auto it = sounding_.find(shown); it != sounding_.end()) {
        // The mark stays for the note the key shows now, and goes when that note is released.
        if (std::ranges::count(it->second.keys, k) == 0)
            it->second.keys.push_back(k);
        return;
    }
    for (const auto& [id, s] : external_)
        if (std::ranges::count(s.keys, k) != 0)
            return;
    Keys->setPlain(k);
}

// Starting and stopping one note

void Keyboard::PlayNote(int note) {
    policy_.makeCurrent();
    soundingNote_ = note;
    markNote(note);
    // Every Note On is remembered, a repeated one too, so that each gets its own Note Off. A note
    // that went nowhere (the master keyboard with no channel on) is remembered too, so that its
    // release takes its mark off as any other.
    Sounding& s = sounding_[note];
    const int k = note - keyBase_;
    if (k >= 0 && k < KeyCount && std::ranges::count(s.keys, k) == 0)
        s.keys.push_back(k);
    for (NoteTarget t : policy_.noteOnTargets(note)) {
        if (strikeVelocity_ > 0 && policy_.velocityFromHeight())
            t.velocity = strikeVelocity_;
        midi_.SendNoteOn(t.channel, t.note, t.velocity);
        s.targets.push_back(t);
    }
    Text1->setText(NoteText(note));
}

void Keyboard::ReleaseNote(int note) {
    unmarkNote(note);
    soundingNote_ = NoNote;
    sendRememberedNoteOffs(note, false);
    Text1->clear();
}

void Keyboard::sendRememberedNoteOffs(int note, bool fromStrip) {
    // The Note Off goes where the Note On went, whatever the transposition or the channels are
    // now; a note not remembered (released, or stopped by All Notes Off) needs none.
    auto it = sounding_.find(note);
    if (it == sounding_.end())
        return;
    const Sounding s = std::move(it->second);
    sounding_.erase(it);
    for (const NoteTarget& t : s.targets) {
        const int velocity = fromStrip ? policy_.stripReleaseVelocity(t.channel)
                                       : policy_.noteOffVelocity(t.channel);
        midi_.SendNoteOff(t.channel, t.note, velocity);
    }
    // A key shift with nothing latched leaves the marks where the note started: such a key now
    // carries another note, and loses the mark unless that note is latched or sounding.
    for (int k : s.keys)
        if (k != note - keyBase_)
            unmarkKeyIfFree(k);
}

void Keyboard::releasePress() {
    const int note = pressNote_;
    pressNote_ = NoNote;
    if (note != NoNote && sounding_.count(note) != 0)
        ReleaseNote(note);
}

void Keyboard::releaseHoverNote() {
    if (soundingNote_ < NoNote)
        ReleaseNote(soundingNote_);
}

void Keyboard::sendAllNotesOff() {
    for (int channel : policy_.allNotesOffChannels()) {
        midi_.SendAllNotesOff(channel);
        forgetChannel(channel);
    }
    // A press whose note stopped here has nothing left to release: its release must not stop
    // the same note started again meanwhile (latched by a click, say).
    if (sounding_.count(pressNote_) == 0)
        pressNote_ = NoNote;
    for (int& note : keyNotes_)
        if (sounding_.count(note) == 0)
            note = NoNote;
    for (auto& [id, finger] : fingers_) {
        if (sounding_.count(finger.note) == 0)
            finger.note = NoNote;
        std::erase_if(finger.latched, [this](int n) { return sounding_.count(n) == 0; });
    }
}

// Tables and drawing

void Keyboard::ClearHeldNotes() {
    policy_.latchedNotes().clear();
}

void Keyboard::ResetKeyboard() {
    NoteTable& held = policy_.latchedNotes();
    for (int k = 0; k < KeyCount; ++k) {
        held[keyBase_ + k] = 0;
        Keys->setPlain(k);
    }
}

void Keyboard::RecolourKeys() {
    for (int k = 0; k < KeyCount; ++k)
        Keys->setPlain(k);
}

void Keyboard::RedrawMarks() {
    const NoteTable& held = policy_.latchedNotes();
    for (int k = 0; k < KeyCount; ++k)
        if (held[keyBase_ + k] == 1)
            Keys->mark(k);
}

int Keyboard::AnyNoteHeld() {
    return policy_.latchedNotes().any() ? 1 : 0;
}

void Keyboard::PlaceOctaveLabels() {
    for (int i = 0; i < 6; ++i) {
        Label1[i]->setGeometry(
            twips::rect(LabelLeft + LabelStep * i, LabelTop, LabelWidth, LabelHeight));
        Label1[i]->setText(QStringLiteral("C") + QString::number(i + HScroll1->value()));
    }
}

void Keyboard::ClearChord() {
    chordActive_ = 0;
    chordNotes_.clear();
}

// Mouse playing

void Keyboard::Key_MouseDown(int k) {
    pressKey(k, pressNote_, false);
}

void Keyboard::keyPressed(int k, double depth) {
    strikeVelocity_ = depth < 0 ? 0 : strikeVelocity(depth);
    Key_MouseDown(k);
    strikeVelocity_ = 0;
}

void Keyboard::pressKey(int k, int& started, bool hoverPlays) {
    const int n = keyBase_ + k;
    if (chordActive_ == 1) {
        ReplayChord(k);
        return;
    }
    if (!CheckClickKey->isChecked() && !hoverPlays)
        return;
    // A press whose release never came (the window lost the pointer or the focus) ends here.
    if (&started == &pressNote_)
        releasePress();
    else
        releaseOwn(started);
    NoteTable& held = policy_.latchedNotes();
    if (CheckHoldNote->isChecked() && held[n] == 1) {
        held[n] = 0;
        ReleaseNote(n);
        return;
    }
    soundingNote_ = n;
    PlayNote(n);
    if (CheckHoldNote->isChecked())
        held[n] = 1;
    else
        started = n;
}

void Keyboard::Key_MouseUp(int) {
    // The release stops what the press started, whatever happened to the key shift, the
    // transposition, the channels or the mode meanwhile; in hover and hold mode, and during a
    // chord, a press starts nothing that its release would stop.
    releasePress();
}

void Keyboard::Key_MouseMove(int k, int yTwips) {
    if (CheckClickKey->isChecked())
        return;
    policy_.makeCurrent();
    const int n = keyBase_ + k;
    if (soundingNote_ == n) {
        const bool lowestStrip =
            Keys->isBlack(k) ? yTwips >= BlackStripTop : yTwips >= WhiteStripTop;
        if (!lowestStrip)
            return;
        // Released at once; Text1 keeps showing the note.
        Keys->setPlain(k);
        soundingNote_ = NoNote;
        sendRememberedNoteOffs(n, true);
        return;
    }
    if (soundingNote_ < NoNote)
        ReleaseNote(soundingNote_);
    PlayNote(n);
}

void Keyboard::Form_MouseMove() {
    if (!CheckHoldNote->isChecked() && !CheckClickKey->isChecked())
        releaseHoverNote();
}

bool Keyboard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1 && Frame1->isEnabled()) {
        switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return touchEvent(*static_cast<QTouchEvent*>(event));
        default:
            break;
        }
        // A key the keyboard plays stops here; any other goes on to the frame.
        if (event->type() == QEvent::KeyPress)
            return ComputerKey_Down(*static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::KeyRelease)
            return ComputerKey_Up(*static_cast<QKeyEvent*>(event));
    } else if (watched == client_) {
        if (event->type() == QEvent::MouseMove) {
            Form_MouseMove();
        } else if (event->type() == QEvent::Hide) {
            // Minimized or hidden: no release or pointer move will come for what sounds now.
            releasePress();
            ReleaseComputerKeys();
            releaseFingers(false);
            Form_MouseMove();
        }
    }
    return QObject::eventFilter(watched, event);
}

// Key shift and modes

void Keyboard::HScroll1_Change() {
    policy_.makeCurrent();
    keyBase_ = 12 + 12 * HScroll1->value();
    PlaceOctaveLabels();
    if (AnyNoteHeld() == 1) {
        RecolourKeys();
        RedrawMarks();
    }
    policy_.storeKeyShift(HScroll1->value());
}

void Keyboard::CheckClickKey_Click() {
    policy_.makeCurrent();
    if (!CheckClickKey->isChecked()) {
        if (CheckHoldNote->isChecked() || chordActive_ == 1) {
            {
                const QSignalBlocker block(CheckHoldNote);
                CheckHoldNote->setChecked(false);
            }
            CheckHoldNote->setEnabled(false);
            AllNotesOff();
            policy_.storeModes(0, 0);
        } else {
            CheckHoldNote->setEnabled(false);
            policy_.storeModes(0, holdNote());
        }
    } else {
        // Click mode plays only while a button is down: a note of hover playing stops.
        releaseHoverNote();
        CheckHoldNote->setEnabled(true);
        policy_.storeModes(1, holdNote());
    }
}

void Keyboard::CheckHoldNote_Click() {
    policy_.makeCurrent();
    AllNotesOff();
    if (CheckHoldNote->isChecked())
        CommHoldChord->setEnabled(true);
    else
        CommHoldChord->setEnabled(false);
    policy_.storeModes(clickKey(), holdNote());
}

void Keyboard::CommAllNoteOff_Click() {
    AllNotesOff();
}

void Keyboard::AllNotesOff() {
    sendAllNotesOff();
    ResetKeyboard();
    soundingNote_ = NoNote;
    chordActive_ = 0;
    updateHoldChordEnable();
    Text1->clear();
}

void Keyboard::ReleaseAll() {
    while (!sounding_.empty())
        sendRememberedNoteOffs(sounding_.begin()->first, false);
    ClearHeldNotes();
    RecolourKeys();
    soundingNote_ = NoNote;
    pressNote_ = NoNote;
    for (auto& [id, finger] : fingers_)
        finger = {};
    chordActive_ = 0;
    updateHoldChordEnable();
    Text1->clear();
}

// Computer keys

bool Keyboard::ComputerKey_Down(const QKeyEvent& event) {
    return computerKeys_.keyDown(event);
}

bool Keyboard::ComputerKey_Up(const QKeyEvent& event) {
    return computerKeys_.keyUp(event);
}

void Keyboard::pressComputerKey(int i) {
    pressOwn(i, keyNotes_.at(i), true);
}

void Keyboard::releaseComputerKey(int i) {
    releaseOwn(keyNotes_.at(i));
}

void Keyboard::pressOwn(int k, int& own, bool hoverPlays) {
    // The mouse's hover note stays the one it follows.
    const int hover = soundingNote_;
    pressKey(k, own, hoverPlays);
    soundingNote_ = sounding_.count(hover) != 0 ? hover : NoNote;
}

void Keyboard::hoverOwn(int k, int yTwips, int& own) {
    // Key_MouseMove follows soundingNote_: it follows `own` for the length of the move.
    const int hover = std::exchange(soundingNote_, sounding_.count(own) != 0 ? own : NoNote);
    k < 0 ? Form_MouseMove() : Key_MouseMove(k, yTwips);
    own = soundingNote_;
    soundingNote_ = sounding_.count(hover) != 0 ? hover : NoNote;
}

void Keyboard::releaseOwn(int& own) {
    const int note = std::exchange(own, NoNote);
    if (note == NoNote || sounding_.count(note) == 0)
        return;
    const int hover = soundingNote_;
    ReleaseNote(note);
    soundingNote_ = sounding_.count(hover) != 0 ? hover : NoNote;
}

void Keyboard::ReleaseComputerKeys() {
    computerKeys_.releaseAll();
}

// The hold chord: the latched notes taken as a chord, and replayed from any key

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

// Notes from the MIDI input

void Keyboard::ExternalNoteOn(int id, int note, int velocity) {
    // A repeated Note On without its Note Off: the first one ends here, so each has one Note Off.
    ExternalNoteOff(id, velocity);
    Sounding s;
    const int k = note - keyBase_;
    if (k >= 0 && k < KeyCount) {
        s.keys.push_back(k);
        Keys->mark(k);
    }
    for (NoteTarget t : policy_.noteOnTargets(note)) {
        if (t.note < 0 || t.note > 127)
            continue; // transposed off the end of the MIDI range
        t.velocity = velocity;
        midi_.SendNoteOn(t.channel, t.note, t.velocity);
        s.targets.push_back(t);
    }
    Text1->setText(NoteText(note));
    if (!s.targets.empty() || !s.keys.empty())
        external_[id] = std::move(s);
}

void Keyboard::ExternalNoteOff(int id, int velocity) {
    auto it = external_.find(id);
    if (it == external_.end())
        return;
    const Sounding s = std::move(it->second);
    external_.erase(it);
    for (const NoteTarget& t : s.targets)
        midi_.SendNoteOff(t.channel, t.note, velocity);
    for (int k : s.keys)
        unmarkKeyIfFree(k);
    Text1->clear();
}

std::vector<int> Keyboard::NoteChannels() {
    std::vector<int> channels;
    for (const NoteTarget& t : policy_.noteOnTargets(NoteTable::LowestNote))
        channels.push_back(t.channel);
    return channels;
}
