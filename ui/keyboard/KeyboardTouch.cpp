// The keyboard played with fingers (see Keyboard.h): each touch point is a pointer of its own
// that runs the mouse's handlers with a note of its own.
#include "ui/Twips.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/keyboard/KeyboardGeometry.h"

#include <QCheckBox>
#include <QPointingDevice>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>

using namespace KeyboardGeometry;

bool Keyboard::touchEvent(QTouchEvent& event) {
    // The key under a finger, when the keys are what lies there (not a label over them).
    const auto keyAt = [this](QPointF p) {
        return Frame1->childAt(p.toPoint()) == Keys ? Keys->keyAt(Keys->mapFrom(Frame1, p)) : -1;
    };
    if (event.type() == QEvent::TouchCancel) {
        releaseFingers(true);
        return true;
    }
    // A touch that begins off the keys is the frame's controls' (the key-shift bar), as the mouse.
    if (event.type() == QEvent::TouchBegin &&
        std::ranges::none_of(event.points(),
                             [&](const QEventPoint& p) { return keyAt(p.position()) >= 0; })) {
        event.ignore();
        return true;
    }
    const bool pressure =
        event.pointingDevice() != nullptr &&
        event.pointingDevice()->capabilities().testFlag(QInputDevice::Capability::Pressure);
    for (const QEventPoint& p : event.points()) {
        const int k = keyAt(p.position());
        const QRect key = k >= 0 ? Keys->keyRect(k) : QRect();
        const double y = k >= 0 ? Keys->mapFrom(Frame1, p.position()).y() - key.top() : 0.0;
        const double depth = pressure ? p.pressure() : depthAt(y, key.height());
        const int yTwips = twips::fromPixels(static_cast<int>(std::floor(y)));
        const NoteSource source{NoteSource::Kind::Finger, p.id()};
        const bool hover = !CheckClickKey->isChecked();
        const auto it = fingers_.find(p.id());
        if (p.state() == QEventPoint::Pressed) {
            Finger& finger = fingers_[p.id()];
            if (hover) {
                hoverKey(source, k, yTwips, strikeVelocity(depth));
            } else if (k >= 0) {
                // What this press latches (a chord replay latches anew all it plays) is the
                // finger's, for a cancel to release.
                NoteTable& held = policy_.latchedNotes();
                const NoteTable before = engine_.chordActive() ? NoteTable{} : held;
                keyPressed(source, k, depth);
                for (int n = NoteTable::LowestNote; n <= NoteTable::HighestNote; ++n)
                    if (held[n] == 1 && before[n] == 0)
                        finger.latched.push_back(n);
            }
        } else if (it == fingers_.end()) {
            // A finger forgotten when the keyboard was hidden.
        } else if (p.state() == QEventPoint::Updated && hover) {
            hoverKey(source, k, yTwips, strikeVelocity(depth));
        } else if (p.state() == QEventPoint::Released) {
            engine_.release(source);
            fingers_.erase(it);
        }
    }
    event.accept();
    return true;
}

void Keyboard::releaseFingers(bool cancelled) {
    NoteTable& held = policy_.latchedNotes();
    for (auto& [id, finger] : fingers_) {
        engine_.release({NoteSource::Kind::Finger, id});
        if (!cancelled)
            continue;
        for (int n : finger.latched)
            if (held[n] == 1)
                engine_.unlatch(n);
    }
    fingers_.clear();
}
