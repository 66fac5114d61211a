#pragma once

// Fingers on a touch screen over the main window, delivered through its QWindow as the platform
// delivers them: each call is one touch event of one finger, with the others held still.
#include <QApplication>
#include <QPointingDevice>
#include <QTest>
#include <QWindow>
#include <map>

class Fingers {
  public:
    explicit Fingers(QWidget& main,
                     QInputDevice::Capabilities caps = QInputDevice::Capability::Position)
        : device_(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen, caps)),
          touch_(QTest::touchEvent(main.windowHandle(), device_, false)) {}

    // Finger `id` down at, or sliding to, a point of the main window; lifted.
    void press(int id, QPoint at) { send(id, at, &QTest::QTouchEventSequence::press); }
    void move(int id, QPoint at) { send(id, at, &QTest::QTouchEventSequence::move); }
    void lift(int id) { send(id, down_.at(id), &QTest::QTouchEventSequence::release); }
    // The system takes the touch away (a gesture of its own, say): the widgets holding it get a
    // TouchCancel and hear nothing more of these fingers (their lifting, which ends them for Qt,
    // is kept from them).
    void cancel(std::initializer_list<QWidget*> holders) {
        struct Deaf : QObject {
            bool eventFilter(QObject*, QEvent* e) override {
                return e->type() == QEvent::TouchUpdate || e->type() == QEvent::TouchEnd;
            }
        } deaf;
        for (QWidget* holder : holders) {
            QTouchEvent e(QEvent::TouchCancel, device_);
            QApplication::sendEvent(holder, &e);
            holder->installEventFilter(&deaf);
        }
        while (!down_.empty())
            lift(down_.begin()->first);
    }
    const std::map<int, QPoint>& down() const { return down_; }

  private:
    template <class Step> void send(int id, QPoint at, Step step) {
        for (const auto& [other, p] : down_)
            if (other != id)
                touch_.stationary(other);
        (touch_.*step)(id, at, nullptr);
        touch_.commit();
        step == &QTest::QTouchEventSequence::release ? void(down_.erase(id)) : void(down_[id] = at);
    }

    QPointingDevice* device_;
    QTest::QTouchEventSequence touch_;
    std::map<int, QPoint> down_;
};
