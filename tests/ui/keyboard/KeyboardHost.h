#pragma once

#include "app/Twips.h"
#include "support/TestState.h"
#include "ui/keyboard/Keyboard.h"

#include <QCheckBox>
#include <QPushButton>

#include <QFont>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <string>
#include <vector>

// A keyboard host shaped like a part window: one part, its channel from PartParams row 0, its
// transposition from row 12, the velocities of rows 3 and 4, modes in rows 14/15, key shift in
// row 16, and the latched table shared by all part windows.
class PartLikePolicy : public KeyboardPolicy {
  public:
    PartLikePolicy(AppState& state, int part) : s_(state), part_(part) {}

    NoteTable& latchedNotes() override { return s_.HeldNotes; }
    void makeCurrent() override { s_.CurrentPart = part_; }
    std::vector<NoteTarget> noteOnTargets(int note) override {
        return {{row(0) - 1, note + row(12) - 12, row(3)}};
    }
    int noteOffVelocity(int) override { return row(4); }
    int stripReleaseVelocity(int) override { return row(4); }
    std::vector<int> allNotesOffChannels() override { return {row(0) - 1}; }
    void storeModes(int clickKey, int holdNote) override {
        s_.PartParams[part_][14] = static_cast<std::uint8_t>(clickKey);
        s_.PartParams[part_][15] = static_cast<std::uint8_t>(holdNote);
    }
    void storeKeyShift(int value) override {
        s_.PartParams[part_][16] = static_cast<std::uint8_t>(value);
    }

  private:
    int row(int r) const { return s_.PartParams[part_][r]; }
    AppState& s_;
    int part_;
};

// A keyboard host shaped like the master keyboard: every enabled channel of MasterKbSettings
// 1..16, velocities of the parts of those channels, All Notes Off on all sixteen channels.
class MasterLikePolicy : public KeyboardPolicy {
  public:
    explicit MasterLikePolicy(AppState& state) : s_(state) {}

    NoteTable& latchedNotes() override { return s_.MasterHeldNotes; }
    void makeCurrent() override {}
    std::vector<NoteTarget> noteOnTargets(int note) override {
        std::vector<NoteTarget> targets;
        for (int ch = 1; ch <= 16; ++ch)
            if (s_.MasterKbSettings[ch] == 1)
                targets.push_back({ch - 1, note, s_.PartParams[ch][3]});
        return targets;
    }
    int noteOffVelocity(int channel) override { return s_.PartParams[channel + 1][4]; }
    int stripReleaseVelocity(int) override { return s_.MasterKbSettings[20]; }
    std::vector<int> allNotesOffChannels() override {
        std::vector<int> all;
        for (int ch = 0; ch < 16; ++ch)
            all.push_back(ch);
        return all;
    }
    void storeModes(int, int) override {}
    void storeKeyShift(int) override {}

  private:
    AppState& s_;
};

// A plain top-level widget of part-window size holding one keyboard, shown offscreen.
struct KeyboardHost {
    explicit KeyboardHost(int part = 1, bool master = false) {
        if (master)
            policy = std::make_unique<MasterLikePolicy>(t.state);
        else
            policy = std::make_unique<PartLikePolicy>(t.state, part);
        client.resize(twips::size(9288, 5532));
        QFont font(QStringLiteral("Liberation Sans")); // the font the windows are laid out for
        font.setPointSizeF(8);
        client.setFont(font);
        keyboard = std::make_unique<Keyboard>(t.state, *policy, &client);
        kb = keyboard.get();
        client.show();
        window = client.windowHandle();
        // Qt drops a move to the position the pointer already has, and every test window lies
        // at the same place: park the pointer on an empty spot of this window first.
        QTest::mouseMove(window, QPoint(1, 1));
    }

    // Runs the keyboard's set-up and forgets what it sent.
    void setUp(int keyShift, int clickKey, int holdNote) {
        kb->SetUp(keyShift, clickKey, holdNote);
        t.port->clear();
    }

    // A point of key k, given in twips inside the key, in window coordinates.
    QPoint onKey(int k, int xTwips, int yTwips) const {
        return kb->Key[k]->mapTo(&client, twips::point(xTwips, yTwips));
    }
    // A point well inside key k, above the lowest strip and clear of the black keys.
    QPoint onKey(int k) const {
        const bool black = kb->Key[k]->isBlack();
        return onKey(k, black ? 78 : 100, black ? 450 : 1200);
    }

    void move(QPoint p) { QTest::mouseMove(window, p); }
    void press(QPoint p) { QTest::mousePress(window, Qt::LeftButton, {}, p); }
    void release(QPoint p) { QTest::mouseRelease(window, Qt::LeftButton, {}, p); }
    void click(QPoint p) {
        press(p);
        release(p);
    }
    void clickKey(int k) { click(onKey(k)); }

    std::vector<std::string> sent() const { return t.port->messageLines(); }
    // What was sent since the last call (or the set-up), and forgets it.
    std::vector<std::string> take() {
        auto lines = sent();
        t.port->clear();
        return lines;
    }
    // The keys drawn marked and the notes latched in the shared table, in ascending order.
    std::vector<int> marks() const {
        std::vector<int> keys;
        for (int k = 0; k < Keyboard::KeyCount; ++k)
            if (kb->isMarked(k))
                keys.push_back(k);
        return keys;
    }
    std::vector<int> latched() const {
        std::vector<int> notes;
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            if (t.state.HeldNotes[n])
                notes.push_back(n);
        return notes;
    }
    // The mode controls, e.g. "click 1, hold 0 enabled, chord disabled".
    std::string controls() const {
        auto enabled = [](QWidget* w) { return w->isEnabled() ? "enabled" : "disabled"; };
        return std::string("click ") + (kb->CheckClickKey->isChecked() ? "1" : "0") + ", hold " +
               (kb->CheckHoldNote->isChecked() ? "1 " : "0 ") + enabled(kb->CheckHoldNote) +
               ", chord " + enabled(kb->CommHoldChord);
    }
    QString text1() const { return kb->Text1->text(); }
    std::uint8_t& row(int part, int r) { return t.state.PartParams[part][r]; }

    TestState t;
    std::unique_ptr<KeyboardPolicy> policy;
    QWidget client;
    std::unique_ptr<Keyboard> keyboard;
    Keyboard* kb = nullptr;
    QWindow* window = nullptr;
};
