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
