#pragma once

// Fingers on a touch screen over the main window, delivered through its QWindow as the platform
// delivers them: each call is one touch event, with the fingers it does not name held still.
#include <QApplication>
#include <QPointingDevice>
#include <QTest>
#include <QWindow>
#include <map>

class Fingers {
  public:
    using Points = std::vector<std::pair<int, QPoint>>; // finger id, point of the main window
    explicit Fingers(QWidget& main,
                     QInputDevice::Capabilities caps = QInputDevice::Capability::Position)
        : device_(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen, caps)),
          touch_(QTest::touchEvent(main.windowHandle(), device_, false)) {}

    void press(const Points& at) { send(at, &QTest::QTouchEventSequence::press); }
    void move(const Points& at) { send(at, &QTest::QTouchEventSequence::move); }
    void lift(int id) { send({{id, down_.at(id)}}, &QTest::QTouchEventSequence::release); }
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
    using Step = QTest::QTouchEventSequence& (QTest::QTouchEventSequence::*)(int, const QPoint&,
                                                                             QWindow*);
    void send(const Points& at, Step step) {
        std::map<int, QPoint> still = down_;
        for (const auto& [id, p] : at) {
            (touch_.*step)(id, down_[id] = p, nullptr);
            still.erase(id);
        }
        for (const auto& [id, p] : still)
            touch_.stationary(id);
        touch_.commit();
        if (step == &QTest::QTouchEventSequence::release)
            for (const auto& [id, p] : at)
                down_.erase(id);
    }

    QPointingDevice* device_;
    QTest::QTouchEventSequence touch_;
    std::map<int, QPoint> down_;
};
