#pragma once

// A main window with part windows opened as their menu items open them, driven through the
// main window's QWindow as the platform delivers pointer events (so the implicit grab of a
// pressed key works), with every MIDI message recorded.
#include "support/TestState.h"
#include "ui/Twips.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/frmMain.h"
#include "ui/part/frmPart.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <string>
#include <vector>

struct PartHost {
    explicit PartHost(int languageCode = 2) : t(languageCode), main(t.state) {
        main.resize(1400, 1000);
        main.show();
        window = main.windowHandle();
        // Qt drops a move to the position the pointer already has: park it first.
        QTest::mouseMove(window, QPoint(1, 1));
    }

    // Opens part window n as its menu item does, forgetting what the opening sent.
    frmPart* open(int n, bool forget = true) {
        main.mnuPart_Click(n);
        w = main.PartWindow(n);
        kb = &w->keyboard();
        QCoreApplication::processEvents();
        if (forget)
            t.port->clear();
        return w;
    }
    void close(frmPart* which = nullptr) {
        (which ? which : w.data())->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A point of key k, given in twips inside the key, in main-window coordinates.
    QPoint onKey(int k, int xTwips, int yTwips) const {
        return kb->Key[k]->mapTo(&main, twips::point(xTwips, yTwips));
    }
    // A point well inside key k, above the lowest strip and clear of the black keys.
    QPoint onKey(int k) const {
        const bool black = kb->Key[k]->isBlack();
        return onKey(k, black ? 78 : 100, black ? 450 : 1200);
    }
    QPoint centreOf(QWidget* widget) const { return widget->mapTo(&main, widget->rect().center()); }
    // A spot of the part window's client area away from every control.
    QPoint onWindow() const { return w->Client->mapTo(&main, twips::point(7400, 2400)); }

    void move(QPoint p) { QTest::mouseMove(window, p); }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(window, b, {}, p);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(window, b, {}, p);
    }
    void click(QPoint p) {
        press(p);
        release(p);
    }
    void clickKey(int k) { click(onKey(k)); }
    // A wheel turn at p (steps notches down; a scroll bar moves one value per turn at most),
    // delivered as the window delivers it: to the widget under the pointer, whatever button is
    // down.
    void wheel(QPoint p, int steps) {
        QWidget* target = main.childAt(p);
        if (target == nullptr)
            return;
        QWheelEvent e(target->mapFrom(&main, QPointF(p)), main.mapToGlobal(QPointF(p)), QPoint(),
                      QPoint(0, -120 * steps), QGuiApplication::mouseButtons(), Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }

    // A computer key down or up as the platform delivers it: to the focus widget, shortcuts
    // first, with the place's scan code (X11: the Linux input code + 8) and the key it carries.
    void key(bool down, int scanCode, int key = 0, Qt::KeyboardModifiers m = {},
             bool repeat = false) {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, m, scanCode, 0, 0, {},
                    repeat);
        QWidget* focus = QApplication::focusWidget();
        QApplication::sendEvent(focus ? focus : &main, &e);
    }

    std::vector<std::string> sent() const { return t.port->messageLines(); }
    // What was sent since the last call, and forgets it.
    std::vector<std::string> take() {
        auto lines = sent();
        t.port->clear();
        return lines;
    }
    // The keys drawn marked, and the notes latched in the shared table, in ascending order.
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
        auto enabled = [](QWidget* c) { return c->isEnabled() ? "enabled" : "disabled"; };
        return std::string("click ") + (kb->CheckClickKey->isChecked() ? "1" : "0") + ", hold " +
               (kb->CheckHoldNote->isChecked() ? "1 " : "0 ") + enabled(kb->CheckHoldNote) +
               ", chord " + enabled(kb->CommHoldChord);
    }
    QString text1() const { return kb->Text1->text(); }
    std::uint8_t& row(int part, int r) { return t.state.PartParams.at(part).at(r); }

    TestState t;
    frmMain main;
    QWindow* window = nullptr;
    QPointer<frmPart> w;
    Keyboard* kb = nullptr;
};
