#pragma once

// A part window driven as a user drives it: its keyboard, its sliders, the transposition list,
// the program box and the Close button.
#include "support/drivers/KeyboardDriver.h"
#include "ui/part/LevelScrollBar.h"

#include <QComboBox>
#include <QPointer>

class PartWindowDriver {
  public:
    PartWindowDriver(Pointer& p, QWidget* window)
        : keys(p, window->findChild<QWidget*>(QStringLiteral("Client"))), w_(window) {}

    template <class T = QWidget> T* control(const QString& name) const {
        return keys.control<T>(name);
    }
    LevelScrollBar* slider(int k) const {
        return control<LevelScrollBar>(QStringLiteral("VScroll%1").arg(k));
    }
    // Slider k dragged to v; the box above it.
    void setSlider(int k, int v) { slider(k)->setValue(v); }
    QString valueBox(int k) const {
        return control<QLineEdit>(QStringLiteral("Text2_%1").arg(k))->text();
    }
    // The transposition list: the entry at `index` chosen ("+12" .. "-12"), the one shown.
    void chooseTransposition(int index) { control<QComboBox>("Combo1")->setCurrentIndex(index); }
    QString transposition() const { return control<QComboBox>("Combo1")->currentText(); }
    QString program() const { return control<QLineEdit>("Text3")->text(); }
    void clickProgram() { QTest::mouseClick(control("Text3"), Qt::LeftButton); }
    // The Close button clicked; the window is gone once this returns.
    void close() {
        QTest::mouseClick(control("CommChiudi"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool isOpen() const { return !w_.isNull(); }

    KeyboardDriver keys;

  private:
    QPointer<QWidget> w_;
};
