#include "ui/keyboard/Keyboard.h"

#include "app/strings/Translation.h"
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

// The pitch classes' names: English source texts, the Italian ("Do", "Do#"...) in the
// translation file.
const char* const PitchNames[12] = {
    QT_TRANSLATE_NOOP("Keyboard", "C"),  QT_TRANSLATE_NOOP("Keyboard", "C#"),
    QT_TRANSLATE_NOOP("Keyboard", "D"),  QT_TRANSLATE_NOOP("Keyboard", "D#"),
    QT_TRANSLATE_NOOP("Keyboard", "E"),  QT_TRANSLATE_NOOP("Keyboard", "F"),
    QT_TRANSLATE_NOOP("Keyboard", "F#"), QT_TRANSLATE_NOOP("Keyboard", "G"),
    QT_TRANSLATE_NOOP("Keyboard", "G#"), QT_TRANSLATE_NOOP("Keyboard", "A"),
    QT_TRANSLATE_NOOP("Keyboard", "A#"), QT_TRANSLATE_NOOP("Keyboard", "B")};

} // namespace

Keyboard::Keyboard(Midi& midi, NotePolicy& policy, QWidget* client, int languageBase)
    : QObject(nullptr), policy_(policy), client_(client), engine_(midi, policy) {
    connect(&engine_, &NoteEngine::marked, this, &Keyboard::onMarked);
    connect(&engine_, &NoteEngine::unmarked, this, &Keyboard::onUnmarked);
    connect(&engine_, &NoteEngine::marksCleared, this, [this] {
        RecolourKeys();
        forgetSilentMarks();
    });
    connect(&engine_, &NoteEngine::shown, this, [this](int note) {
        note == NoteEngine::NoNote ? Text1->clear() : Text1->setText(NoteText(note));
    });
    const Language language = Language::ofBase(languageBase);
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
    connect(Keys, &KeyboardKeys::pressed, this,
            [this](int k, double depth) { keyPressed({NoteSource::Kind::Mouse}, k, depth); });
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

    CheckClickKey = new QCheckBox(language.translate("Keyboard", "Click Key"), client_);
    CheckClickKey->setObjectName("CheckClickKey");
    CheckClickKey->setGeometry(placeRect(ClickKeyPlace));
    CheckHoldNote = new QCheckBox(language.translate("Keyboard", "Hold Note"), client_);
    CheckHoldNote->setObjectName("CheckHoldNote");
    CheckHoldNote->setGeometry(placeRect(HoldNotePlace));
    CommHoldChord = new QPushButton(language.translate("Keyboard", "Hold Chord"), client_);
    CommHoldChord->setObjectName("CommHoldChord");
    CommHoldChord->setGeometry(placeRect(HoldChordPlace));
    CommAllNoteOff = new QPushButton(language.translate("Keyboard", "All Notes Off"), client_);
    CommAllNoteOff->setObjectName("CommAllNoteOff");
    CommAllNoteOff->setGeometry(placeRect(AllNotesOffPlace));
    Label1[6] = new QLabel(language.translate("Keyboard", "Note (Number)"), client_);
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
    syncModes();

    ClearHeldNotes();
    ClearChord();

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
                              !engine_.chordActive());
}

void Keyboard::syncModes() {
    engine_.setModes(CheckClickKey->isChecked(), CheckHoldNote->isChecked());
}

QString Keyboard::PitchName(int note, bool italian) {
    return Language(italian ? 1 : 2).translate("Keyboard", PitchNames[note % 12]);
}

QString Keyboard::NoteText(int note) {
    // Both languages' names, whatever the running language: "C/Do".
    return PitchName(note, false) + QLatin1Char('/') + PitchName(note, true) +
           QStringLiteral(" (") + QString::number(note) + QStringLiteral(")");
}

void Keyboard::onMarked(int note) {
    const int k = note - keyBase_;
    if (k < 0 || k >= KeyCount)
        return;
    Keys->mark(k);
    std::vector<int>& keys = markedKeys_[note];
    if (std::ranges::count(keys, k) == 0)
        keys.push_back(k);
}

void Keyboard::onUnmarked(int note) {
    // A key shift with nothing latched leaves the marks where the note started: such a key now
    // carries another note, and loses the mark unless that note is latched or sounding.
    auto node = markedKeys_.extract(note);
    std::vector<int> keys = node.empty() ? std::vector<int>{} : std::move(node.mapped());
    keys.push_back(note - keyBase_);
    for (int k : keys)
        unmarkKeyIfFree(k);
}

void Keyboard::unmarkKeyIfFree(int k) {
    if (k < 0 || k >= KeyCount)
        return;
    const int shown = keyBase_ + k;
    if (policy_.latchedNotes()[shown] == 1)
        return;
    if (engine_.sounds(shown)) {
        // The mark stays for the note the key shows now, and goes when that note is released.
        std::vector<int>& keys = markedKeys_[shown];
        if (std::ranges::count(keys, k) == 0)
            keys.push_back(k);
        return;
    }
    Keys->setPlain(k);
}

void Keyboard::forgetSilentMarks() {
    std::erase_if(markedKeys_, [this](const auto& e) { return !engine_.sounds(e.first); });
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
        Label1[i]->setText(PitchName(0, false) + QString::number(i + HScroll1->value()));
    }
}

void Keyboard::ClearChord() {
    engine_.clearChord();
}

// Mouse playing

void Keyboard::Key_MouseDown(int k) {
    keyPressed({NoteSource::Kind::Mouse}, k, -1);
}

void Keyboard::keyPressed(NoteSource source, int k, double depth) {
    engine_.press(source, keyBase_ + k, depth < 0 ? 0 : strikeVelocity(depth));
}

void Keyboard::Key_MouseUp(int) {
    // The release stops what the press started, whatever happened to the key shift, the
    // transposition, the channels or the mode meanwhile; in hover and hold mode, and during a
    // chord, a press starts nothing that its release would stop.
    engine_.release({NoteSource::Kind::Mouse});
}

void Keyboard::Key_MouseMove(int k, int yTwips) {
    hoverKey({NoteSource::Kind::Hover}, k, yTwips, 0);
}

void Keyboard::hoverKey(NoteSource source, int k, int yTwips, int velocity) {
    if (k < 0) {
        engine_.hover(source, NoteEngine::NoNote);
        return;
    }
    const bool lowestStrip = Keys->isBlack(k) ? yTwips >= BlackStripTop : yTwips >= WhiteStripTop;
    engine_.hover(source, keyBase_ + k, lowestStrip, velocity);
}

void Keyboard::Form_MouseMove() {
    engine_.hover({NoteSource::Kind::Hover}, NoteEngine::NoNote);
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
            engine_.release({NoteSource::Kind::Mouse});
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
    ShowZones();
    if (AnyNoteHeld() == 1) {
        RecolourKeys();
        RedrawMarks();
    }
    policy_.storeKeyShift(HScroll1->value());
}

void Keyboard::ShowZones() {
    std::array<std::uint8_t, KeyCount> edges{};
    for (const NotePolicy::ZoneEdge& e : policy_.zoneEdges())
        if (const int k = e.note - keyBase_; k >= 0 && k < KeyCount)
            edges[k] |= e.start ? KeyboardKeys::ZoneStart : KeyboardKeys::ZoneEnd;
    Keys->setZoneEdges(edges);
}

void Keyboard::CheckClickKey_Click() {
    policy_.makeCurrent();
    syncModes();
    if (!CheckClickKey->isChecked()) {
        if (CheckHoldNote->isChecked() || engine_.chordActive()) {
            {
                const QSignalBlocker block(CheckHoldNote);
                CheckHoldNote->setChecked(false);
            }
            CheckHoldNote->setEnabled(false);
            syncModes();
            AllNotesOff();
            policy_.storeModes(0, 0);
        } else {
            CheckHoldNote->setEnabled(false);
            policy_.storeModes(0, holdNote());
        }
    } else {
        // Click mode plays only while a button is down: a note of hover playing stops.
        engine_.release({NoteSource::Kind::Hover});
        CheckHoldNote->setEnabled(true);
        policy_.storeModes(1, holdNote());
    }
}

void Keyboard::CheckHoldNote_Click() {
    policy_.makeCurrent();
    syncModes();
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
    engine_.allNotesOff();
    ResetKeyboard();
    forgetSilentMarks();
    updateHoldChordEnable();
}

void Keyboard::ReleaseAll() {
    engine_.releaseAll();
    for (auto& [id, finger] : fingers_)
        finger = {};
    updateHoldChordEnable();
}

// Computer keys

bool Keyboard::ComputerKey_Down(const QKeyEvent& event) {
    return computerKeys_.keyDown(event);
}

bool Keyboard::ComputerKey_Up(const QKeyEvent& event) {
    return computerKeys_.keyUp(event);
}

void Keyboard::pressComputerKey(int i) {
    engine_.press({NoteSource::Kind::ComputerKey, i}, keyBase_ + i);
}

void Keyboard::releaseComputerKey(int i) {
    engine_.release({NoteSource::Kind::ComputerKey, i});
}

void Keyboard::ReleaseComputerKeys() {
    computerKeys_.releaseAll();
}

// The hold chord: the latched notes taken as a chord, and replayed from any key

void Keyboard::CommHoldChord_Click() {
    if (engine_.takeChord())
        CommHoldChord->setEnabled(false);
}
