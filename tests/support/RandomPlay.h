#pragma once

// Random play on a real part window and the master keyboard: pointer moves, presses and releases
// of both buttons, computer keys down (repeated too) and up, wheel turns over the key-shift bar
// and the transposition list, clicks and space-bar toggles of the mode boxes, hold-chord clicks,
// the master keyboard's channel boxes toggled (mid-note too), and either window closed and
// reopened. After each sequence the keys and buttons come up and the pointer leaves the keyboard;
// then what sounds, worked out from the recorded MIDI stream alone, must be what the keyboards
// show latched, and no Note Off may go where its Note On did not. Notes also come in at the MIDI
// input (played through the current part, or the master keyboard when active), and are all
// released before the check; the input is unplugged now and then (what it holds is released
// where it went) and plugged in again.
#include "../ui/part/PartHost.h"
#include "ui/main/MidiDeviceWatch.h"
#include "ui/masterkb/frmMasterKb.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

class RandomPlay {
  public:
    static constexpr int Part = 3;
    static constexpr int Channel = 9; // the part is mapped to channel 10
    // The master keyboard's channel boxes played with; never the part's channel.
    static constexpr int MasterBoxes[3] = {1, 2, 5};

    explicit RandomPlay(std::uint32_t seed) : rng_(seed) {
        h_.row(Part, PartRow::Channel) = Channel + 1;
        h_.row(Part, PartRow::VelocityOff) = 0x21;
        for (int n = 1; n <= 16; ++n)
            h_.t.state.MasterKbSettings.at(MasterKbElement::FirstChannel + n - 1) = n == 1;
        // The input's port comes and goes when the sequence says so.
        MidiDeviceWatch& watch = h_.main.deviceWatch();
        const auto inputThere = [this](const QString&) { return inputThere_; };
        const auto there = [](const QString&) { return true; };
        watch.setAccess({inputThere, there, inputThere, there});
        watch.setInputChoice(QStringLiteral("jack:Keys"));
        reopen(false);
        reopen(true);
        h_.main.MasterKbWindow()->move(0, h_.w->geometry().bottom() + 1); // as far as they fit
    }

    long events() const { return events_; }

    // One sequence of random events, then the check. Returns what is wrong, empty when nothing.
    std::string sequence() {
        const int length = std::uniform_int_distribution<int>(3, 40)(rng_);
        log_.str({});
        for (int i = 0; i < length; ++i) {
            randomEvent();
            ++events_;
            if (!problem_.empty())
                return report();
        }
        settle();
        check();
        return problem_.empty() ? std::string() : report();
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    void reopen(bool master) {
        if (master)
            master_.emplace(h_.openMaster());
        else
            h_.open(Part, false);
        consume();
    }
    KeyboardDriver& keys(bool master) { return master ? master_->keys : h_.keys(); }

    QPoint randomKeyPoint(KeyboardDriver& keys) {
        const int k = pick(Keyboard::KeyCount);
        const bool black = keys.key(k)->isBlack();
        // Anywhere down the key, the lowest strip included.
        return keys.onKey(k, black ? 78 : 100, pick(black ? 972 : 1404));
    }

    void moveTo(QPoint p) {
        log_ << " move(" << p.x() << "," << p.y() << ")";
        h_.pointer.move(p);
        pointer_ = p;
        // A move may play; what it plays went out at the transposition before a wheel turn.
        consume();
    }

    void randomEvent() {
        // Play moves to the other window now and then (each move activates a window: slow).
        const bool master = onMaster_ ^= pick(40) == 0;
        KeyboardDriver& kb = keys(master);
        QWidget* client = kb.client();
        QWidget* window = master ? static_cast<QWidget*>(h_.main.MasterKbWindow()) : h_.w;
        Pointer& p = h_.pointer;
        const int r = pick(1250);
        if (r >= 1230) {
            plugEvent();
        } else if (r >= 1150) {
            midiInEvent();
        } else if (r < 300) {
            moveTo(randomKeyPoint(kb));
        } else if (r < 540) {
            Qt::MouseButton b = r < 420 ? Qt::LeftButton : Qt::RightButton;
            // Presses on the keys with either button, elsewhere with the left one only on plain
            // surfaces (no context menu, no list popping up).
            // While a button is down every press goes where the first one went.
            QWidget* under = buttons_ ? grabbed_.data() : h_.main.childAt(pointer_);
            if (!qobject_cast<KeyWidget*>(under) && !(buttons_ & b)) {
                if (under != kb.control("HScroll1") && under != client)
                    return consume();
                b = Qt::LeftButton;
            }
            if (!buttons_)
                grabbed_ = under;
            if (buttons_ & b) {
                log_ << " release(" << b << ")";
                p.release(pointer_, b);
                buttons_ &= ~b;
            } else {
                log_ << " press(" << b << ")";
                p.press(pointer_, b);
                buttons_ |= b;
            }
        } else if (r < 620) {
            // Off the keys: the key-shift bar, the window, its edge, beside it.
            const QRect part = window->geometry();
            const QPoint places[] = {p.centreOf(kb.control("HScroll1")),
                                     client->mapTo(&h_.main, twips::point(6400, 4800)),
                                     QPoint(part.right() - 2, part.center().y()),
                                     QPoint(part.right() + 8, part.center().y())};
            moveTo(places[pick(4)]);
        } else if (r < 760) {
            moveTo(p.centreOf(kb.control(r < 700 || master ? "HScroll1" : "Combo1")));
            const int steps = pick(2) == 0 ? 1 : -1;
            log_ << " wheel(" << steps << ")";
            p.wheel(pointer_, steps);
        } else if (r < 880) {
            QWidget* box = kb.control(pick(2) == 0 ? "CheckClickKey" : "CheckHoldNote");
            if (r < 820 && buttons_ == Qt::NoButton) {
                moveTo(p.centreOf(box));
                log_ << " click(" << box->objectName().toStdString() << ")";
                p.click(pointer_);
            } else {
                log_ << " space(" << box->objectName().toStdString() << ")";
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Space);
            }
        } else if (r < 980) {
            if (buttons_ == Qt::NoButton) {
                moveTo(p.centreOf(kb.control("CommHoldChord")));
                log_ << " chord";
                p.click(pointer_);
            }
        } else if (r < 1000) {
            log_ << " close+reopen(" << master << ")";
            window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            consume();
            reopen(master);
        } else if (r < 1120) {
            // Any scan code (the two rows and others) to whatever has the focus.
            const int code = 9 + pick(52);
            const bool down = !keysDown_.count(code) || pick(3) == 0;
            log_ << (down ? " down(" : " up(") << code << ")";
            p.key(down, code, 0, {}, down && keysDown_.count(code));
            down ? void(keysDown_.insert(code)) : void(keysDown_.erase(code));
        } else {
            QCheckBox* box = master_->channelBox(MasterBoxes[pick(3)]);
            log_ << " " << box->objectName().toStdString();
            if (buttons_ == Qt::NoButton && pick(2) == 0) {
                moveTo(p.centreOf(box));
                p.click(pointer_);
            } else {
                box->click(); // the focus stays where it is: computer keys stay down
            }
        }
        consume();
    }

    // A key of a MIDI keyboard goes down (any velocity but 0) or comes up (as a Note Off or a
    // Note On of velocity 0), the way the input hands it to the main window.
    void midiIn(std::uint8_t status, int note, int velocity) {
        log_ << " midi(" << int(status) << "," << note << "," << velocity << ")";
        h_.t.state.midiIn.handler()(
            {status, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity)});
    }
    // The MIDI keyboard unplugged (its keys' Note Offs never come) or plugged in again, seen by
    // the main window's watch at its next look.
    void plugEvent() {
        inputThere_ = !inputThere_;
        log_ << (inputThere_ ? " plug" : " unplug");
        h_.main.deviceWatch().check();
        if (!inputThere_)
            midiHeld_.clear();
        consume();
    }
    void midiInEvent() {
        if (!inputThere_)
            return;
        if (!midiHeld_.empty() && pick(2) == 0) {
            auto it = midiHeld_.begin();
            std::advance(it, pick(static_cast<int>(midiHeld_.size())));
            midiIn(pick(2) == 0 ? 0x80 : 0x90, *it, 0);
            midiHeld_.erase(it);
        } else {
            const int note = 30 + pick(60);
            midiIn(static_cast<std::uint8_t>(0x90 | pick(16)), note, 1 + pick(127));
            midiHeld_.insert(note);
        }
    }

    // Buttons up where the pointer is, then the pointer onto the window away from the keys.
    void settle() {
        for (int note : midiHeld_)
            midiIn(0x80, note, 0x40);
        midiHeld_.clear();
        for (int code : keysDown_)
            h_.pointer.key(false, code);
        keysDown_.clear();
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            if (buttons_ & b) {
                h_.pointer.release(pointer_, b);
                buttons_ &= ~b;
            }
        const QPoint off = h_.keys().onWindow();
        moveTo(off == pointer_ ? off + QPoint(0, 3) : off);
        consume();
    }

    // The part plays on Channel, transposed; the master keyboard on the others, as it is.
    int transposition(int ch) {
        return ch == Channel ? h_.row(Part, PartRow::Transposition) - 12 : 0;
    }
    const NoteTable& held(int ch) {
        return ch == Channel ? h_.t.state.HeldNotes : h_.t.state.MasterHeldNotes;
    }

    // Follows the messages sent since the last call: every Note On stays sounding until its
    // Note Off or an All Notes Off on its channel. The master keyboard's All Notes Off goes to the
    // part's channel too, where the part still releases what it started: such a Note Off is
    // expected once per note that All Notes Off stopped.
    void consume() {
        const auto messages = h_.t.port->messages();
        bool allOff = false;
        for (const auto& m : messages) {
            const int status = m.at(0) & 0xF0;
            const int ch = m[0] & 0x0F;
            const std::pair key{ch, int(m[1])};
            if (status == 0xB0 && m[1] == 123) {
                const auto first = byPitch_.lower_bound({ch, 0});
                const auto last = byPitch_.lower_bound({ch + 1, 0});
                for (auto it = first; it != last; ++it)
                    cleared_.insert(it->first);
                byPitch_.erase(first, last);
                allOff |= ch == Channel;
            } else if (status != 0x80 && status != 0x90) {
                continue;
            } else if (ch != Channel &&
                       std::count(std::begin(MasterBoxes), std::end(MasterBoxes), ch + 1) == 0) {
                problem_ = "note on channel " + std::to_string(ch);
            } else if (status == 0x90) {
                byPitch_.insert({key, m[1] - transposition(ch)});
            } else {
                // Two notes may have gone out as one pitch under different transpositions:
                // the one released is the one the keyboard no longer latches.
                auto [first, last] = byPitch_.equal_range(key);
                auto it = std::find_if(first, last, [&](const auto& e) {
                    return !NoteTable::inRange(e.second) || !held(ch)[e.second];
                });
                if (it == last)
                    it = first;
                if (it != last)
                    byPitch_.erase(it);
                else if (auto c = cleared_.find(key); c != cleared_.end())
                    cleared_.erase(c);
                else
                    problem_ = "Note Off " + std::to_string(m[1]) + " on channel " +
                               std::to_string(ch) + " with no Note On";
            }
        }
        h_.t.port->clear(); // what is followed is forgotten, so a long run stays fast
        sounding_.clear();
        for (const auto& [key, note] : byPitch_)
            ++sounding_[{key.first, note}];
        // The part's latched notes whose sound an All Notes Off stopped stay latched while out of
        // view, silent, until a click unlatches them (playing them in hover or click mode
        // meanwhile leaves them so).
        const NoteTable& part = h_.t.state.HeldNotes;
        if (allOff)
            for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
                if (part[n] && !sounding_.count({Channel, n}))
                    silenced_.insert(n);
        std::erase_if(silenced_, [&](int n) { return !part[n]; });
    }

    // Every note sounds once, latched and marked when in view. The part: every latched note and
    // marked key sounds (or was silenced). The master keyboard (whose notes latched with no
    // channel on sound nowhere): every marked key is latched.
    void check() {
        std::ostringstream out;
        for (auto& [key, count] : sounding_) {
            const auto [ch, note] = key;
            const KeyboardDriver& kb = keys(ch != Channel);
            const int k = note - kb.keyBase();
            std::string what = count > 1 ? " sounds " + std::to_string(count) + " times" : "";
            if (!held(ch)[note])
                what += " sounds, not latched";
            else if (k >= 0 && k <= 60 && !kb.key(k)->isMarked())
                what += " sounds latched, not marked";
            if (!what.empty())
                out << what << " (note " << note << " channel " << ch << ");";
        }
        const int base = h_.keys().keyBase();
        const int masterBase = master_->keys.keyBase();
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            if (held(Channel)[n] && !sounding_.count({Channel, n}) && !silenced_.count(n))
                out << " note " << n << " latched, silent;";
        for (int k = 0; k < Keyboard::KeyCount; ++k) {
            if (h_.keys().key(k)->isMarked() && !sounding_.count({Channel, base + k}) &&
                !silenced_.count(base + k))
                out << " key " << k << " marked, silent;";
            if (master_->keys.key(k)->isMarked() && !held(0)[masterBase + k])
                out << " master key " << k << " marked, not latched;";
        }
        problem_ = out.str();
    }

    std::string report() { return problem_ + "\n  after:" + log_.str(); }

    PartHost h_;
    std::mt19937 rng_;
    std::ostringstream log_;
    std::string problem_;
    Qt::MouseButtons buttons_;
    QPointer<QWidget> grabbed_; // where the first button down went
    QPoint pointer_{1, 1};
    long events_ = 0;
    using Key = std::pair<int, int>;  // channel, pitch sent (or untransposed note)
    std::multimap<Key, int> byPitch_; // pitch sent -> untransposed note, per unmatched Note On
    std::map<Key, int> sounding_;     // untransposed note -> Note Ons not yet matched
    std::multiset<Key> cleared_;      // pitches an All Notes Off stopped
    std::set<int> silenced_;          // the part's latched notes an All Notes Off stopped
    std::set<int> keysDown_;          // scan codes
    std::set<int> midiHeld_;          // keys down at the MIDI input
    std::optional<MasterKbDriver> master_;
    bool onMaster_ = false;
    bool inputThere_ = true;
};
