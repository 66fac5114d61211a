#pragma once

// Drives a window's on-screen keyboard as a user does and reads back what it shows. The pointer
// goes through the main window's QWindow as the platform delivers it (so a pressed key keeps the
// implicit grab), computer keys to the focus widget; controls are found by their object names.
#include "ui/Twips.h"
#include "ui/keyboard/KeyboardKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <sstream>

class Pointer {
  public:
    explicit Pointer(QWidget& main) : main_(main) {}

    QPoint centreOf(QWidget* w) const { return w->mapTo(&main_, w->rect().center()); }
    void move(QPoint p) { QTest::mouseMove(main_.windowHandle(), last = p); }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(main_.windowHandle(), b, {}, last = p);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(main_.windowHandle(), b, {}, last = p);
    }
    void click(QPoint p) { QTest::mouseClick(main_.windowHandle(), Qt::LeftButton, {}, last = p); }
    void click(QWidget* w) { click(centreOf(w)); }
    // A wheel turn at p, `steps` notches down, to the widget under the pointer whatever button
    // is down (a scroll bar moves one value per turn at most).
    void wheel(QPoint p, int steps) {
        QWidget* target = main_.childAt(p);
        if (target == nullptr)
            return;
        QWheelEvent e(target->mapFrom(&main_, QPointF(p)), main_.mapToGlobal(QPointF(p)), QPoint(),
                      QPoint(0, -120 * steps), QGuiApplication::mouseButtons(), Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    // A computer key down or up to the focus widget, shortcuts first, with the place's scan code
    // (X11: the Linux input code + 8), the key it carries and, where given, the server's time.
    void key(bool down, int scanCode, int key = 0, Qt::KeyboardModifiers m = {},
             bool repeat = false, quint64 ms = 0) {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, m, scanCode, 0, 0, {},
                    repeat);
        if (ms != 0)
            e.setTimestamp(ms);
        QWidget* focus = QApplication::focusWidget();
        QApplication::sendEvent(focus ? focus : &main_, &e);
    }

    QWidget& main_;
    QPoint last; // where the pointer went last
};

// Scan codes (X11) of the places of the US keys Z, S, Q, 2 and U: keys 0, 1, 12, 13 and 23 above
// the first key shown.
enum Scan { Z = 52, S = 39, Q = 24, Two = 11, U = 30 };

class KeyboardDriver {
  public:
    KeyboardDriver(Pointer& pointer, QWidget* client) : p(pointer), client_(client) {}

    template <class T = QWidget> T* control(const QString& name) const {
        T* w = client_->findChild<T*>(name);
        if (w == nullptr)
            qFatal("no control %s", qPrintable(name)); // a renamed widget, said as such
        return w;
    }
    KeyboardKeys* keys() const { return control<KeyboardKeys>("Keys"); }
    // A point of key k in pixels inside it, in the keys widget.
    QPoint inKey(int k, QPoint at) const { return keys()->keyRect(k).topLeft() + at; }
    // Well inside key k, above its lowest strip and clear of the black keys.
    QPoint inKey(int k) const {
        return inKey(k, KeyboardKeys::isBlack(k) ? twips::point(78, 450) : twips::point(100, 1200));
    }
    // A point of key k in twips inside it, in the main window; without them, as inKey(k).
    QPoint onKey(int k, int xTwips, int yTwips) const {
        return keys()->mapTo(&p.main_, inKey(k, twips::point(xTwips, yTwips)));
    }
    QPoint onKey(int k) const { return keys()->mapTo(&p.main_, inKey(k)); }
    // A spot of the client area away from every control.
    QPoint onWindow() const { return client_->mapTo(&p.main_, twips::point(7400, 2400)); }

    void clickKeys(std::initializer_list<int> keys) {
        for (int k : keys)
            p.click(onKey(k));
    }
    // A click straight on key k, wherever its window lies.
    void tapKey(int k) { QTest::mouseClick(keys(), Qt::LeftButton, {}, inKey(k)); }
    void pressKey(int k) { p.press(onKey(k)); }
    void releaseKey(int k) { p.release(onKey(k)); }
    void clickHoldNote() { p.click(control("CheckHoldNote")); }
    // A click on the frame gives the keyboard the focus, for the computer keys.
    void focus() { control("Frame1")->setFocus(); }

    // Plays a script of user actions separated by ';' with the keys and the pointer: "click 0 4"
    // (each key clicked), "press 5", "release 5" (no key: where the pointer is), "dclick 0",
    // "hover 3", "hover 2 100 1380" (key 2, twips inside it), "window", "bar" (the pointer onto
    // the key-shift bar), "shift 3" (the bar dragged), "wheel 1" (turned a notch down), "down 52",
    // "up 52" (a computer key by scan code, to the focus) and a control's name (clicked).
    void act(const std::string& script) {
        std::istringstream steps(script);
        for (std::string step, verb; std::getline(steps, step, ';');) {
            std::istringstream in(step);
            if (!(in >> verb))
                continue;
            std::vector<int> n;
            for (int v; in >> v;)
                n.push_back(v);
            auto at = [&] {
                return n.empty() ? p.last : n.size() == 3 ? onKey(n[0], n[1], n[2]) : onKey(n[0]);
            };
            if (verb == "click")
                for (int k : n)
                    p.click(onKey(k));
            else if (verb == "press")
                p.press(at());
            else if (verb == "release")
                p.release(at());
            else if (verb == "dclick")
                QTest::mouseDClick(p.main_.windowHandle(), Qt::LeftButton, {}, at());
            else if (verb == "hover")
                p.move(at());
            else if (verb == "window" || verb == "bar")
                p.move(verb == "bar" ? p.centreOf(control("HScroll1")) : onWindow());
            else if (verb == "shift")
                control<QScrollBar>("HScroll1")->setValue(n.at(0));
            else if (verb == "wheel")
                p.wheel(p.centreOf(control("HScroll1")), n.at(0));
            else if (verb == "down" || verb == "up")
                p.key(verb == "down", n.at(0));
            else
                p.click(control(QString::fromStdString(verb)));
        }
    }

    QString noteBox() const { return control<QLineEdit>("Text1")->text(); }
    // The first key's note, from the lowest octave label ("C2": note 36).
    int keyBase() const { return 12 + 12 * control<QLabel>("Label1_0")->text().mid(1).toInt(); }
    std::vector<int> marks() const {
        std::vector<int> marked;
        for (int k = 0; k < 61; ++k)
            if (keys()->isMarked(k))
                marked.push_back(k);
        return marked;
    }
    // The mode controls, in brackets when disabled: "click 1 [hold 0] [chord]".
    std::string controls() const {
        auto* hold = control<QCheckBox>("CheckHoldNote");
        const std::string h = std::string("hold ") + "01"[hold->isChecked()];
        return std::string("click ") + "01"[control<QCheckBox>("CheckClickKey")->isChecked()] +
               (hold->isEnabled() ? " " + h : " [" + h + "]") +
               (control("CommHoldChord")->isEnabled() ? " chord" : " [chord]");
    }

    QWidget* client() const { return client_; }

    Pointer& p;
    QWidget* client_; // the window's client area, where its controls are
};
