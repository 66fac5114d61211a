#pragma once

// Drives a window's on-screen keyboard as a user does and reads back what it shows. The pointer
// goes through the main window's QWindow as the platform delivers it (so a pressed key keeps the
// implicit grab), computer keys to the focus widget; controls are found by their object names.
#include "ui/Twips.h"
#include "ui/keyboard/KeyWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <string>
#include <vector>

class Pointer {
  public:
    explicit Pointer(QWidget& main) : main_(main) {}

    QPoint centreOf(QWidget* w) const { return w->mapTo(&main_, w->rect().center()); }
    void move(QPoint p) { QTest::mouseMove(main_.windowHandle(), p); }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(main_.windowHandle(), b, {}, p);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(main_.windowHandle(), b, {}, p);
    }
    void click(QPoint p) {
        press(p);
        release(p);
    }
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
    // (X11: the Linux input code + 8) and the key it carries.
    void key(bool down, int scanCode, int key = 0, Qt::KeyboardModifiers m = {},
             bool repeat = false) {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, m, scanCode, 0, 0, {},
                    repeat);
        QWidget* focus = QApplication::focusWidget();
        QApplication::sendEvent(focus ? focus : &main_, &e);
    }

    QWidget& main_;
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
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    KeyWidget* key(int k) const { return control<KeyWidget>(QStringLiteral("Key%1").arg(k)); }
    // A point of key k in twips inside it; without them, well inside the key, above its lowest
    // strip and clear of the black keys.
    QPoint onKey(int k, int xTwips, int yTwips) const {
        return key(k)->mapTo(&p.main_, twips::point(xTwips, yTwips));
    }
    QPoint onKey(int k) const {
        const bool black = key(k)->isBlack();
        return onKey(k, black ? 78 : 100, black ? 450 : 1200);
    }
    // A spot of the client area away from every control.
    QPoint onWindow() const { return client_->mapTo(&p.main_, twips::point(7400, 2400)); }

    void clickKeys(std::initializer_list<int> keys) {
        for (int k : keys)
            p.click(onKey(k));
    }
    // A click straight on key k's widget, wherever its window lies.
    void tapKey(int k) { QTest::mouseClick(key(k), Qt::LeftButton, {}, QPoint(3, 3)); }
    void pressKey(int k) { p.press(onKey(k)); }
    void releaseKey(int k) { p.release(onKey(k)); }
    void hover(int k) { p.move(onKey(k)); }
    void click(const char* name) { p.click(control(name)); }
    void clickClickKey() { click("CheckClickKey"); }
    void clickHoldNote() { click("CheckHoldNote"); }
    void clickHoldChord() { click("CommHoldChord"); }
    void clickAllNotesOff() { click("CommAllNoteOff"); }
    // The key-shift bar turned with the wheel, or dragged to value v.
    void turnKeyShift(int steps) { p.wheel(p.centreOf(control("HScroll1")), steps); }
    void setKeyShift(int v) { control<QScrollBar>("HScroll1")->setValue(v); }
    // A click on the frame gives the keyboard the focus, for the computer keys.
    void focus() { control("Frame1")->setFocus(); }

    QString noteBox() const { return control<QLineEdit>("Text1")->text(); }
    // The first key's note, from the lowest octave label ("C2": note 36).
    int keyBase() const { return 12 + 12 * control<QLabel>("Label1_0")->text().mid(1).toInt(); }
    std::vector<int> marks() const {
        std::vector<int> keys;
        for (int k = 0; k < 61; ++k)
            if (key(k)->isMarked())
                keys.push_back(k);
        return keys;
    }
    // The mode controls, e.g. "click 1, hold 0 enabled, chord disabled".
    std::string controls() const {
        auto enabled = [](QWidget* c) { return c->isEnabled() ? "enabled" : "disabled"; };
        auto* hold = control<QCheckBox>("CheckHoldNote");
        return std::string("click ") +
               (control<QCheckBox>("CheckClickKey")->isChecked() ? "1" : "0") + ", hold " +
               (hold->isChecked() ? "1 " : "0 ") + enabled(hold) + ", chord " +
               enabled(control("CommHoldChord"));
    }

    QWidget* client() const { return client_; }

    Pointer& p;

  private:
    QWidget* client_;
};
