#pragma once

// Fingers on a touch screen over the main window, delivered through its QWindow as the platform
// delivers them: each call is one touch event, with the fingers it does not name held still.
#include <QApplication>
#include <QPointingDevice>
#include <QTest>
#include <QTouchEvent>
#include <QWindow>
#include <map>

class Fingers {
  public:
    explicit Fingers(QWidget& main,
                     QInputDevice::Capabilities caps = QInputDevice::Capability::Position)
        : main_(main),
          device_(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen, caps)),
          touch_(QTest::touchEvent(main.windowHandle(), device_, false)) {}

    // Fingers going down, moving or lifting at once: {finger id, point of the main window}.
    void press(std::initializer_list<std::pair<int, QPoint>> at) { send(at, Down); }
    void move(std::initializer_list<std::pair<int, QPoint>> at) { send(at, Move); }
    void lift(std::initializer_list<std::pair<int, QPoint>> at) { send(at, Up); }
    void press(int id, QPoint p) { press({{id, p}}); }
    void move(int id, QPoint p) { move({{id, p}}); }
    void lift(int id) { lift({{id, down_.at(id)}}); }
    // The system takes the touch away (a gesture of its own, say): the widgets holding it get a
    // TouchCancel; the fingers then lift, which the widgets no longer hear of.
    void cancel(std::initializer_list<QWidget*> holders) {
        for (QWidget* holder : holders) {
            QTouchEvent e(QEvent::TouchCancel, device_);
            QApplication::sendEvent(holder, &e);
        }
        const auto down = down_;
        for (const auto& [id, p] : down)
            lift(id);
    }
    const QPointingDevice* device() const { return device_; }
    bool anyDown() const { return !down_.empty(); }
    const std::map<int, QPoint>& down() const { return down_; }

  private:
    enum Step { Down, Move, Up };
    void send(std::initializer_list<std::pair<int, QPoint>> at, Step step) {
        std::map<int, QPoint> still = down_;
        for (const auto& [id, p] : at) {
            still.erase(id);
            if (step == Down)
                touch_.press(id, p);
            else if (step == Move)
                touch_.move(id, p);
            else
                touch_.release(id, p);
            step == Up ? void(down_.erase(id)) : void(down_[id] = p);
        }
        for (const auto& [id, p] : still)
            touch_.stationary(id);
        touch_.commit();
    }

    QWidget& main_;
    QPointingDevice* device_;
    QTest::QTouchEventSequence touch_;
    std::map<int, QPoint> down_;
};
