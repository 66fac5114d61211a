#pragma once

// Random play on one real part window: pointer moves, presses and releases of both buttons,
// wheel turns over the key-shift bar and the transposition list, clicks and space-bar toggles of
// the mode boxes, hold-chord clicks, and the window closed and reopened. After each sequence the
// buttons come up and the pointer leaves the keyboard; then what sounds, worked out from the
// recorded MIDI stream alone, must be what the keyboard shows latched. Notes also come in at the
// MIDI input (played through the part, the current one), and are all released before the check.
#include "../part/PartHost.h"

#include <QComboBox>
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

class RandomPlay {
  public:
    static constexpr int Part = 3;
    static constexpr int Channel = 9; // the part is mapped to channel 10

    explicit RandomPlay(std::uint32_t seed) : rng_(seed) {
        h_.row(Part, PartRow::Channel) = Channel + 1;
        h_.row(Part, PartRow::VelocityOff) = 0x21;
        reopen();
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

    void reopen() {
        h_.open(Part, false);
        consume();
    }

    // Anywhere down a key, the lowest strip included.
    QPoint randomKeyPoint() {
        const int k = pick(Keyboard::KeyCount);
        const bool black = h_.kb->Key[k]->isBlack();
        return h_.onKey(k, black ? 78 : 100, pick(black ? 972 : 1404));
    }

    void moveTo(QPoint p) {
        log_ << " move(" << p.x() << "," << p.y() << ")";
        h_.move(p);
        pointer_ = p;
        // A move may play; what it plays went out at the transposition before a wheel turn.
        consume();
    }

    void randomEvent() {
        const int r = pick(1100);
        Keyboard& kb = *h_.kb;
        if (r >= 1000) {
            midiInEvent();
        } else if (r < 300) {
            moveTo(randomKeyPoint());
        } else if (r < 540) {
            Qt::MouseButton b = r < 420 ? Qt::LeftButton : Qt::RightButton;
            // Presses on the keys with either button, elsewhere with the left one only on plain
            // surfaces (no context menu, no list popping up).
            // While a button is down every press goes where the first one went.
            QWidget* under = buttons_ ? grabbed_.data() : h_.main.childAt(pointer_);
            if (!qobject_cast<KeyWidget*>(under) && !(buttons_ & b)) {
                if (under != kb.HScroll1 && under != h_.w->Client)
                    return consume();
                b = Qt::LeftButton;
            }
            if (!buttons_)
                grabbed_ = under;
            const bool down = buttons_ & b;
            log_ << (down ? " release(" : " press(") << b << ")";
            down ? h_.release(pointer_, b) : h_.press(pointer_, b);
            buttons_ ^= b;
        } else if (r < 620) {
            // Off the keys: the key-shift bar, the window, its edge, beside it.
            const QRect part = h_.w->geometry();
            const QPoint places[] = {h_.centreOf(kb.HScroll1), h_.onWindow(),
                                     QPoint(part.right() - 2, part.center().y()),
                                     QPoint(part.right() + 8, part.center().y())};
            moveTo(places[pick(4)]);
        } else if (r < 760) {
            QWidget* target = r < 700 ? static_cast<QWidget*>(kb.HScroll1) : h_.w->Combo1;
            moveTo(h_.centreOf(target));
            const int steps = pick(2) == 0 ? 1 : -1;
            log_ << " wheel(" << steps << ")";
            h_.wheel(pointer_, steps);
        } else if (r < 880) {
            QWidget* box =
                pick(2) == 0 ? static_cast<QWidget*>(kb.CheckClickKey) : kb.CheckHoldNote;
            const bool click = r < 820 && buttons_ == Qt::NoButton;
            log_ << (click ? " click(" : " space(") << box->objectName().toStdString() << ")";
            if (click) {
                moveTo(h_.centreOf(box));
                h_.click(pointer_);
            } else {
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Space);
            }
        } else if (r < 980 && buttons_ == Qt::NoButton) {
            moveTo(h_.centreOf(kb.CommHoldChord));
            log_ << " chord";
            h_.click(pointer_);
        } else if (r >= 980) {
            log_ << " close+reopen";
            h_.close();
            consume();
            reopen();
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
    void midiInEvent() {
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
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            if (buttons_ & b)
                h_.release(pointer_, b);
        buttons_ = Qt::NoButton;
        const QPoint off = h_.onWindow();
        moveTo(off == pointer_ ? off + QPoint(0, 3) : off);
        consume();
    }

    // Follows the messages sent since the last call: every Note On stays sounding until its
    // Note Off or an All Notes Off on its channel.
    void consume() {
        bool allOff = false;
        for (const auto& m : h_.t.port->messages()) {
            const int status = m.at(0) & 0xF0;
            if (status != 0x80 && status != 0x90 && status != 0xB0)
                continue;
            if ((m[0] & 0x0F) != Channel) {
                problem_ = "message on channel " + std::to_string(m[0] & 0x0F);
                continue;
            }
            if (status == 0x90) {
                byPitch_.insert({m[1], m[1] + 12 - h_.row(Part, PartRow::Transposition)});
            } else if (status == 0x80) {
                // Two notes may have gone out as one pitch under different transpositions:
                // the one released is the one the keyboard no longer latches.
                auto [first, last] = byPitch_.equal_range(m[1]);
                auto it = std::find_if(first, last, [this](const auto& e) {
                    return !NoteTable::inRange(e.second) || !h_.t.state.HeldNotes[e.second];
                });
                if (it == last)
                    it = first;
                if (it == last)
                    problem_ = "Note Off " + std::to_string(m[1]) + " with no Note On";
                else
                    byPitch_.erase(it);
            } else if (m[1] == 123) {
                byPitch_.clear();
                allOff = true;
            }
        }
        h_.t.port->clear(); // what is followed is forgotten, so a long run stays fast
        sounding_.clear();
        for (const auto& [pitch, note] : byPitch_)
            ++sounding_[note];
        // Latched notes whose sound an All Notes Off stopped stay latched while out of view,
        // silent, until a click unlatches them (playing them in hover or click mode meanwhile
        // leaves them so).
        const NoteTable& held = h_.t.state.HeldNotes;
        if (allOff)
            for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
                if (held[n] && !sounding_.count(n))
                    silenced_.insert(n);
        std::erase_if(silenced_, [&](int n) { return !held[n]; });
    }

    void check() {
        const NoteTable& held = h_.t.state.HeldNotes;
        const int base = h_.kb->KeyBase();
        std::ostringstream out;
        for (auto& [note, count] : sounding_) {
            if (count > 1)
                out << " note " << note << " sounds " << count << " times;";
            if (!held[note])
                out << " note " << note << " sounds, not latched;";
            else if (note >= base && note <= base + 60 && !h_.kb->isMarked(note - base))
                out << " note " << note << " sounds latched, not marked;";
        }
        for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
            if (held[n] && !sounding_.count(n) && !silenced_.count(n))
                out << " note " << n << " latched, silent;";
        for (int k = 0; k < Keyboard::KeyCount; ++k)
            if (h_.kb->isMarked(k) && !sounding_.count(base + k) && !silenced_.count(base + k))
                out << " key " << k << " marked, silent;";
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
    std::multimap<int, int> byPitch_; // pitch sent -> untransposed note, per unmatched Note On
    std::map<int, int> sounding_;     // untransposed note -> Note Ons not yet matched
    std::set<int> silenced_;
    std::set<int> midiHeld_; // keys down at the MIDI input
};
