#pragma once

// Random play on a real part window and the master keyboard: pointer moves, presses and releases
// of both buttons, fingers going down (several at once), sliding, lifting and cancelled by the
// system, computer keys down (repeated too) and up, wheel turns over the key-shift bar and the
// transposition list, clicks and space-bar toggles of the mode boxes, hold-chord clicks, the
// master keyboard's channel boxes toggled and their zones changed (mid-note too), Space on the
// focused key, and either window closed and reopened. Notes also come in at the MIDI input (played
// through the current part, or the master keyboard when active), whose port is unplugged now and
// then (what it holds is released where it went) and plugged in again. After each sequence the
// keys, buttons, fingers and input notes come up and the pointer leaves the keyboard; then what
// sounds, worked out from the recorded MIDI stream alone, must be what the keyboards show latched,
// and no Note Off may go where its Note On did not.
#include "../ui/part/PartHost.h"
#include "devices/Devices.h"
#include "devices/MidiDeviceWatch.h"
#include "support/drivers/TouchDriver.h"

#include <map>
#include <random>
#include <set>

class RandomPlay {
  public:
    static constexpr int Part = 3, Channel = 9; // the part is mapped to channel 10
    // The master keyboard's channel boxes played with (channel 1 is on at the first run); never
    // the part's channel.
    static constexpr int MasterBoxes[3] = {1, 2, 5};

    explicit RandomPlay(std::uint32_t seed)
        : rng_(seed), fingerRng_(~seed), zoneRng_(seed ^ 0xC0DE) {
        h_.row(Part, PartRow::Channel) = Channel + 1;
        // The input's port comes and goes when the sequence says so.
        const auto input = [this](const QString&) { return inputThere_; };
        const auto there = [](const QString&) { return true; };
        h_.main.devices().watch().setAccess({input, there, input, there, input, there, {}});
        h_.main.devices().watch().setInputChoice(QStringLiteral("jack:Keys"));
        h_.open(Part, false);
        master_.emplace(h_.openMaster());
        consume();
        h_.main.MasterKbWindow()->move(0, h_.w->geometry().bottom() + 1); // as far as they fit
    }

    long events() const { return events_; }

    // One sequence of random events, then the check. Returns what is wrong, empty when nothing.
    std::string sequence() {
        for (int i = 0, length = 3 + pick(38); i < length && problem_.empty(); ++i, ++events_)
            randomEvent();
        settle();
        return problem_;
    }

  private:
    int pick(int n, std::mt19937& g) { return std::uniform_int_distribution<int>(0, n - 1)(g); }
    int pick(int n) { return pick(n, rng_); }
    KeyboardDriver& keys(bool master) { return master ? master_->keys : h_.keys(); }
    QPoint randomKeyPoint(KeyboardDriver& keys, std::mt19937& g) {
        const int k = pick(Keyboard::KeyCount, g);
        const bool black = KeyboardKeys::isBlack(k);
        // Anywhere down the key, the lowest strip included.
        return keys.onKey(k, black ? 78 : 100, pick(black ? 972 : 1404, g));
    }
    // Off the keys: the key-shift bar, the window, its edge, beside it.
    QPoint offKeys(KeyboardDriver& kb, QRect frame, std::mt19937& g) {
        const QPoint places[] = {h_.pointer.centreOf(kb.control("HScroll1")),
                                 kb.client()->mapTo(&h_.main, twips::point(6400, 4800)),
                                 QPoint(frame.right() - 2, frame.center().y()),
                                 QPoint(frame.right() + 8, frame.center().y())};
        return places[pick(4, g)];
    }
    void moveTo(QPoint p) {
        h_.pointer.move(pointer_ = p);
        // A move may play; what it plays went out at the transposition before a wheel turn.
        consume();
    }

    // One event, drawn from 1250 codes by ranges.
    void randomEvent() {
        // Play moves to the other window now and then (each move activates a window: slow).
        const bool master = onMaster_ ^= pick(40) == 0;
        KeyboardDriver& kb = keys(master);
        QWidget* window = master ? static_cast<QWidget*>(h_.main.MasterKbWindow()) : h_.w;
        // So do zones, from a stream of their own: a box's channel takes a part of the keys,
        // transposed, or all of them again.
        if (const int box = MasterBoxes[pick(3, zoneRng_)], low = pick(100, zoneRng_);
            pick(30, zoneRng_) == 0) {
            zones_[box - 1] = pick(3, zoneRng_) ? Zone{low, low + pick(128 - low, zoneRng_),
                                                       pick(49, zoneRng_) - 24}
                                                : Zone{};
            h_.main.MasterKbWindow()->setZone(box, zones_[box - 1]);
        }
        // Fingers come between the other events, drawn from a stream of their own: a seed plays
        // the other events it played before there were fingers. A finger goes down on a key (a
        // touch begins on the keys only; one off them is the mouse's), one down slides onto a
        // key or off the keys, or lifts; or the system cancels the touch.
        if (pick(14, fingerRng_) == 0) {
            const int id = pick(4, fingerRng_), f = pick(10, fingerRng_);
            if (!fingers_.down().count(id))
                fingers_.press(id, randomKeyPoint(kb, fingerRng_));
            else if (f < 6)
                fingers_.move(id, f < 4 ? randomKeyPoint(kb, fingerRng_)
                                        : offKeys(kb, window->geometry(), fingerRng_));
            else if (f < 9)
                fingers_.lift(id);
            else
                fingers_.cancel({keys(false).control("Frame1"), keys(true).control("Frame1")});
            consume();
        }
        const int r = pick(1250);
        if (r >= 1230) {
            // The MIDI keyboard unplugged (its keys' Note Offs never come) or plugged in again,
            // seen by the main window's watch at its next look.
            inputThere_ = !inputThere_;
            h_.main.devices().watch().check();
            if (!inputThere_)
                midiHeld_.clear();
        } else if (r >= 1150) {
            // A key of a MIDI keyboard goes down (any velocity but 0) or comes up (as a Note Off
            // or a Note On of velocity 0).
            if (!inputThere_)
                return;
            if (!midiHeld_.empty() && pick(2) == 0) {
                auto it = std::next(midiHeld_.begin(), pick(static_cast<int>(midiHeld_.size())));
                midiIn(pick(2) == 0 ? 0x80 : 0x90, *it, 0);
                midiHeld_.erase(it);
            } else {
                const int note = 30 + pick(60);
                midiIn(0x90 | pick(16), note, 1 + pick(127));
                midiHeld_.insert(note);
            }
        } else if (r < 300) {
            moveTo(randomKeyPoint(kb, rng_));
        } else if (r < 540) {
            // Either button on the keys, elsewhere the left one on plain surfaces only (no
            // context menu, no list popping up). While a button is down every press goes where
            // the first one went.
            Qt::MouseButton b = r < 420 ? Qt::LeftButton : Qt::RightButton;
            QWidget* under = buttons_ ? grabbed_.data() : h_.main.childAt(pointer_);
            if (!qobject_cast<KeyboardKeys*>(under) && !(buttons_ & b)) {
                if (under != kb.control("HScroll1") && under != kb.client())
                    return;
                b = Qt::LeftButton;
            }
            grabbed_ = under;
            (buttons_ & b) ? h_.pointer.release(pointer_, b) : h_.pointer.press(pointer_, b);
            buttons_ ^= b;
        } else if (r < 620) {
            moveTo(offKeys(kb, window->geometry(), rng_));
        } else if (r < 760) {
            moveTo(h_.pointer.centreOf(kb.control(r < 700 || master ? "HScroll1" : "Combo1")));
            h_.pointer.wheel(pointer_, pick(2) == 0 ? 1 : -1);
        } else if (r < 980) {
            // A mode box clicked or toggled from the keyboard, or Hold Chord clicked.
            const char* name = r >= 880       ? "CommHoldChord"
                               : pick(2) == 0 ? "CheckClickKey"
                                              : "CheckHoldNote";
            clickOrSpace(kb.control(name), r < 820 || r >= 880);
        } else if (r < 1000) {
            h_.close(window);
            consume();
            master ? void(master_.emplace(h_.openMaster())) : void(h_.open(Part, false));
        } else if (r < 1120) {
            // Any scan code (the two rows and others; Space instead of ".") to whatever has the
            // focus: Space plays the focused key.
            const int drawn = 9 + pick(52), code = drawn == 60 ? 65 : drawn;
            const bool down = !keysDown_.count(code) || pick(3) == 0;
            h_.pointer.key(down, code, code == 65 ? Qt::Key_Space : 0, {},
                           down && keysDown_.count(code));
            down ? void(keysDown_.insert(code)) : void(keysDown_.erase(code));
        } else {
            // Not clicked, the box toggles without taking the focus: computer keys stay down.
            QCheckBox* box = master_->channelBox(MasterBoxes[pick(3)]);
            (buttons_ == Qt::NoButton && pick(2) == 0) ? clickOrSpace(box, true) : box->click();
        }
        consume();
    }
    // A control clicked with the pointer when `click` and no button is down; else a box toggled
    // with the space bar.
    void clickOrSpace(QWidget* control, bool click) {
        if (click && buttons_ == Qt::NoButton) {
            moveTo(h_.pointer.centreOf(control));
            h_.pointer.click(pointer_);
        } else if (qobject_cast<QCheckBox*>(control)) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Space);
        }
    }

    // A message of the MIDI keyboard, the way the input hands it to the main window.
    void midiIn(std::uint8_t status, std::uint8_t note, std::uint8_t velocity) {
        h_.t.state.midiIn.handler()({status, note, velocity});
    }

    // Everything up, the pointer onto the window away from the keys, then the check.
    void settle() {
        for (int note : std::exchange(midiHeld_, {}))
            midiIn(0x80, note, 0x40);
        for (int code : std::exchange(keysDown_, {}))
            h_.pointer.key(false, code, code == 65 ? Qt::Key_Space : 0);
        while (!fingers_.down().empty())
            fingers_.lift(fingers_.down().begin()->first);
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            if (buttons_ & b)
                h_.pointer.release(pointer_, b);
        buttons_ = {};
        const QPoint off = h_.keys().onWindow();
        moveTo(off == pointer_ ? off + QPoint(0, 3) : off);
        check();
    }

    // The part's latched table, or the master keyboard's (which plays on the other channels).
    const NoteTable& held(int ch) {
        return ch == Channel ? h_.t.state.HeldNotes : h_.t.state.MasterHeldNotes;
    }

    // Follows the messages sent since the last call: every Note On stays sounding until its
    // Note Off or an All Notes Off on its channel. The master keyboard's All Notes Off goes to the
    // part's channel too, where the part still releases what it started: such a Note Off is
    // expected once per note that All Notes Off stopped.
    void consume() {
        bool allOff = false;
        for (const auto& m : h_.t.port->messages()) {
            const int status = m.at(0) & 0xF0, ch = m[0] & 0x0F;
            const bool known = ch == Channel || std::ranges::count(MasterBoxes, ch + 1) > 0;
            if (status == 0xB0 && m[1] == 123) {
                // Every note still sounding on the channel stops.
                auto it = byPitch_.lower_bound({ch, 0});
                while (it != byPitch_.end() && it->first.first == ch) {
                    cleared_.insert(it->first);
                    it = byPitch_.erase(it);
                }
                allOff |= ch == Channel;
            } else if (known && status == 0x90) {
                // The part plays on Channel, transposed; the master keyboard by its zones.
                const int transposition = ch == Channel ? h_.row(Part, PartRow::Transposition) - 12
                                                        : zones_[ch].transpose;
                byPitch_.insert({{ch, m[1]}, m[1] - transposition});
            } else if ((status & 0xE0) == 0x80 && (!known || !release({ch, m[1]}))) {
                problem_ = "stray note " + std::to_string(m[0]) + ' ' + std::to_string(m[1]);
            }
        }
        h_.t.port->clear(); // what is followed is forgotten, so a long run stays fast
        // The part's latched notes whose sound an All Notes Off stopped stay latched while out of
        // view, silent, until a click unlatches them (playing them in hover or click mode
        // meanwhile leaves them so).
        for (int n = NoteTable::LowestNote; allOff && n <= NoteTable::HighestNote; ++n)
            if (held(Channel)[n] && !sounds(Channel, n))
                silenced_.insert(n);
        std::erase_if(silenced_, [&](int n) { return !held(Channel)[n]; });
    }
    // A Note Off for `key`: false when no Note On (or All Notes Off) waits for it. Two notes may
    // have gone out as one pitch under different transpositions: the one released is the one the
    // keyboard no longer latches.
    bool release(std::pair<int, int> key) {
        const auto [first, last] = byPitch_.equal_range(key);
        const auto it = std::find_if(first, last, [&](const auto& e) {
            return !NoteTable::inRange(e.second) || !held(key.first)[e.second];
        });
        if (first != last)
            return byPitch_.erase(it == last ? first : it), true;
        const auto cleared = cleared_.find(key);
        return cleared != cleared_.end() && (cleared_.erase(cleared), true);
    }
    // How many Note Ons of the untransposed `note` on `ch` sound.
    long sounds(int ch, int note) const {
        return std::ranges::count_if(
            byPitch_, [=](const auto& e) { return e.first.first == ch && e.second == note; });
    }

    // Every note that sounds sounds once and is latched, and marked when in view. The part's
    // latched notes and marked keys sound (or were silenced); the master keyboard's marked keys
    // are latched (its notes latched with no channel on sound nowhere).
    void check() {
        const std::vector<int> marks[2] = {h_.keys().marks(), master_->keys.marks()};
        for (int ch : {Channel, 0, 1, 4})
            for (int n = -12; n < 140; ++n) { // an untransposed note may lie off the pitches
                const int k = n - keys(ch != Channel).keyBase();
                const bool marked = std::ranges::count(marks[ch != Channel], k) > 0;
                const bool latched = NoteTable::inRange(n) && held(ch)[n];
                const long s = sounds(ch, n);
                if (s > 1 ||
                    (s == 1 && (!latched || (k >= 0 && k < Keyboard::KeyCount && !marked))) ||
                    (ch == Channel && !s && (latched || marked) && !silenced_.count(n)) ||
                    (ch == 0 && marked && !latched))
                    problem_ += " note " + std::to_string(n) + " channel " + std::to_string(ch) +
                                ": sounds " + std::to_string(s) + ", latched " +
                                std::to_string(latched) + ", marked " + std::to_string(marked) +
                                ';';
            }
    }

    PartHost h_;
    Fingers fingers_{h_.main};
    std::mt19937 rng_, fingerRng_, zoneRng_;
    Zones zones_; // the master keyboard's, as set
    std::string problem_;
    Qt::MouseButtons buttons_;
    QPointer<QWidget> grabbed_; // where the first button down went
    QPoint pointer_{1, 1};
    long events_ = 0;
    // Per unmatched Note On, its channel and pitch sent -> its untransposed note.
    std::multimap<std::pair<int, int>, int> byPitch_;
    std::multiset<std::pair<int, int>> cleared_; // channels and pitches an All Notes Off stopped
    // The part's latched notes an All Notes Off stopped; scan codes and MIDI input keys down.
    std::set<int> silenced_, keysDown_, midiHeld_;
    std::optional<MasterKbDriver> master_;
    bool onMaster_ = false, inputThere_ = true;
};
