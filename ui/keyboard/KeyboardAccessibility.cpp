#include "ui/keyboard/KeyboardAccessibility.h"

#include "app/strings/StringTable.h"
#include "app/strings/Translation.h"
#include "ui/Twips.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/keyboard/KeyboardGeometry.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

using namespace KeyboardGeometry;

namespace {

// The focused key's frame: blue on a white key, around the part below the black keys; yellow on
// a black key. Drawn above the keys; the pointer goes through it.
class FocusMark : public QWidget {
  public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void showOn(const KeyboardKeys* keys, int k) {
        black_ = keys->isBlack(k);
        QRect r = keys->keyRect(k).translated(keys->pos());
        if (!black_)
            r.setTop(r.top() + twips::toPixels(BlackKeyHeight));
        setGeometry(r);
        raise();
        show();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int width = black_ ? 2 : 3;
        p.setPen(QPen(black_ ? QColor(0xFF, 0xD0, 0x00) : QColor(0x00, 0x50, 0xFF), width,
                      Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(QRectF(rect()).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
    }

  private:
    bool black_ = false;
};

void post(QAccessibleEvent&& event) {
    QAccessible::updateAccessibility(&event);
}

// One key: a button named by its note. The keys are drawn by one widget; each is an interface of
// its own, with no object behind it, that KeyboardAccess keeps.
class KeyAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    KeyAccessible(KeyboardKeys* keys, int k) : keys_(keys), index_(k) {}

    bool isValid() const override { return !keys_.isNull() && access() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        QAccessibleInterface* frame = parent();
        return frame ? frame->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return keys_ ? QAccessible::queryAccessibleInterface(keys_->parentWidget()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QRect rect() const override {
        if (!keys_)
            return {};
        const QRect r = keys_->keyRect(index_);
        return QRect(keys_->mapToGlobal(r.topLeft()), r.size());
    }
    QString text(QAccessible::Text t) const override {
        const KeyboardAccess* a = access();
        if (a == nullptr)
            return {};
        return t == QAccessible::Name          ? a->keyName(index_)
               : t == QAccessible::Description ? a->zoneText(index_)
                                               : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State s;
        const KeyboardAccess* a = access();
        if (a == nullptr)
            return s;
        s.invisible = !keys_->isVisible();
        s.disabled = !keys_->isEnabled();
        s.pressed = keys_->isMarked(index_);
        s.checkable = a->latches();
        s.checked = a->isLatched(index_);
        s.focusable = true;
        s.focused = a->showsFocus() && a->focusedKey() == index_;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (KeyboardAccess* a = access(); a != nullptr && name == pressAction())
            a->click(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    KeyboardAccess* access() const {
        return keys_ ? KeyboardAccess::of(keys_->parentWidget()) : nullptr;
    }

    QPointer<KeyboardKeys> keys_;
    int index_;
};

// Frame1: a list of the 61 keys in pitch order, then the octave labels and the key-shift bar.
class FrameAccessible : public QAccessibleWidget {
  public:
    explicit FrameAccessible(QWidget* frame) : QAccessibleWidget(frame, QAccessible::List) {}

    QString text(QAccessible::Text t) const override {
        const KeyboardAccess* a = KeyboardAccess::of(widget());
        if (t == QAccessible::Name && a != nullptr && widget()->accessibleName().isEmpty())
            return a->keyboardName();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override {
        return keyboard() ? Keyboard::KeyCount + 7 : QAccessibleWidget::childCount();
    }
    QAccessibleInterface* child(int i) const override {
        Keyboard* kb = keyboard();
        if (kb == nullptr)
            return QAccessibleWidget::child(i);
        if (i >= 0 && i < Keyboard::KeyCount)
            return KeyboardAccess::of(widget())->keyInterface(i);
        QObject* o = nullptr;
        if (i >= Keyboard::KeyCount && i < Keyboard::KeyCount + 6)
            o = kb->Label1.at(i - Keyboard::KeyCount);
        else if (i == Keyboard::KeyCount + 6)
            o = kb->HScroll1;
        return o ? QAccessible::queryAccessibleInterface(o) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i) == c)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        Keyboard* kb = keyboard();
        if (kb == nullptr)
            return QAccessibleWidget::childAt(x, y);
        const int k = kb->Keys->keyAt(kb->Keys->mapFromGlobal(QPointF(x, y)));
        return k >= 0 ? child(k) : QAccessibleWidget::childAt(x, y);
    }
    QAccessibleInterface* focusChild() const override {
        const KeyboardAccess* a = KeyboardAccess::of(widget());
        if (a != nullptr && a->keyboard() && widget()->hasFocus())
            return child(a->focusedKey());
        return QAccessibleWidget::focusChild();
    }

  private:
    Keyboard* keyboard() const {
        const KeyboardAccess* a = KeyboardAccess::of(widget());
        return a ? a->keyboard() : nullptr;
    }
};

QAccessibleInterface* keyboardInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String("KeyboardFrame"))
        return new FrameAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

// Where a click on key k lands: above the lowest strip, clear of the black keys.
QPoint clickPoint(const KeyboardKeys* keys, int k) {
    return keys->keyRect(k).topLeft() +
           (keys->isBlack(k) ? twips::point(78, 450) : twips::point(100, 1200));
}

void sendMouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), to->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(to, &event);
}

} // namespace

KeyboardAccess::KeyboardAccess(Keyboard& keyboard, NotePolicy& policy, const int& languageBase)
    : QObject(keyboard.Frame1), keyboard_(&keyboard), policy_(policy), languageBase_(languageBase) {
    static const bool installed = (QAccessible::installFactory(keyboardInterfaces), true);
    (void)installed;

    Frame1()->setFocusPolicy(Qt::StrongFocus); // Tab reaches the keys too
    Frame1()->installEventFilter(this);
    focusMark_ = new FocusMark(Frame1());
    keyboard.HScroll1->setAccessibleName(
        Language::ofBase(languageBase).translate("KeyboardAccess", "Key Shift"));
    keyboard.Text1->setAccessibleName(keyboard.Label1[6]->text());

    announcement_.setSingleShot(true);
    announcement_.setInterval(0);
    connect(&announcement_, &QTimer::timeout, this, &KeyboardAccess::announce);
    connect(keyboard.Keys, &KeyboardKeys::markChanged, this, &KeyboardAccess::scheduleAnnouncement);
    // A key clicked is the one the arrows move on from.
    connect(keyboard.Keys, &KeyboardKeys::pressed, this, [this](int k) {
        focusedKey_ = k;
        placeFocusMark();
    });
    connect(keyboard.CheckClickKey, &QAbstractButton::toggled, this,
            &KeyboardAccess::scheduleAnnouncement);
    connect(keyboard.CheckHoldNote, &QAbstractButton::toggled, this,
            &KeyboardAccess::scheduleAnnouncement);
    connect(keyboard.HScroll1, &QScrollBar::valueChanged, this, [this] {
        placeFocusMark();
        scheduleAnnouncement();
    });
    connect(keyboard.Text1, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (QAccessible::isActive() && keyboard_)
            post(QAccessibleValueChangeEvent(keyboard_->Text1, text));
    });
    for (int k = 0; k < Keyboard::KeyCount; ++k)
        announcedStates_.at(k) = keyState(k);
    announcedBase_ = keyboard.KeyBase();

    // An assistive technology that asked before this object existed got Qt's plain interfaces.
    if (QAccessible::isActive())
        if (QAccessibleInterface* i = QAccessible::queryAccessibleInterface(Frame1());
            i != nullptr && dynamic_cast<FrameAccessible*>(i) == nullptr)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(i));
}

KeyboardAccess::~KeyboardAccess() {
    for (QAccessible::Id id : keyIds_)
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* KeyboardAccess::keyInterface(int k) const {
    QAccessible::Id& id = keyIds_.at(k);
    if (id == 0 && keyboard_)
        id = QAccessible::registerAccessibleInterface(new KeyAccessible(keyboard_->Keys, k));
    return id != 0 ? QAccessible::accessibleInterface(id) : nullptr;
}

KeyboardAccess* KeyboardAccess::of(const QObject* frame) {
    return frame ? frame->findChild<KeyboardAccess*>(QString(), Qt::FindDirectChildrenOnly)
                 : nullptr;
}

QWidget* KeyboardAccess::Frame1() const {
    return static_cast<QWidget*>(parent());
}

QString KeyboardAccess::keyboardName() const {
    return LoadResString(languageBase_ + 105);
}

QString KeyboardAccess::keyName(int k) const {
    if (!keyboard_ || k < 0 || k >= Keyboard::KeyCount)
        return {};
    // The octave labels read "C" and the octave, 0 for the notes 12..23.
    const int note = keyboard_->KeyBase() + k;
    const int octave = note / 12 - 1;
    // "C#4" in English; the Italian order puts a space between: "Do# 4".
    const Language language = Language::ofBase(languageBase_);
    return language.translate("KeyboardAccess", "%1%2")
        .arg(Keyboard::PitchName(note, languageBase_ == 0), QString::number(octave));
}

QString KeyboardAccess::zoneText(int k) const {
    if (!keyboard_)
        return {};
    const Language language = Language::ofBase(languageBase_);
    QStringList parts;
    for (const NotePolicy::ZoneEdge& e : policy_.zoneEdges())
        if (e.note == keyboard_->KeyBase() + k)
            parts << (e.start ? language.translate("KeyboardAccess", "zone start channel %1")
                              : language.translate("KeyboardAccess", "zone end channel %1"))
                         .arg(e.channel + 1);
    return parts.join(QStringLiteral(", "));
}

bool KeyboardAccess::isLatched(int k) const {
    return keyboard_ && k >= 0 && k < Keyboard::KeyCount &&
           policy_.latchedNotes()[keyboard_->KeyBase() + k] == 1;
}

bool KeyboardAccess::latches() const {
    return keyboard_ && keyboard_->clickKey() == 1 && keyboard_->holdNote() == 1;
}

bool KeyboardAccess::showsFocus() const {
    return keyboardFocus_ && Frame1()->hasFocus();
}

void KeyboardAccess::click(int k) {
    keyDown(k);
    keyUp(k);
}

void KeyboardAccess::keyDown(int k) {
    if (!keyboard_)
        return;
    // Over the key first (hover mode plays there), then the press (click mode), handed to the
    // keyboard as a press with no place on the key: it plays at the Vel On velocity even when
    // the velocity comes from where a key is struck.
    sendMouse(keyboard_->Keys, QEvent::MouseMove, clickPoint(keyboard_->Keys, k), Qt::NoButton);
    keyboard_->SourceDown({NoteSource::Kind::Space}, k);
}

void KeyboardAccess::keyUp(int) {
    if (!keyboard_)
        return;
    keyboard_->SourceUp({NoteSource::Kind::Space});
    // The pointer leaves the keys: a note of hover playing stops.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Frame1(), &leave);
}

bool KeyboardAccess::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Frame1() || !keyboard_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            keyboardFocus_ = true;
        placeFocusMark();
        focusPending_ = true;
        scheduleAnnouncement();
        break;
    }
    case QEvent::FocusOut:
        if (spaceKey_ >= 0)
            keyUp(std::exchange(spaceKey_, -1));
        keyboardFocus_ = false;
        placeFocusMark();
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !Frame1()->isEnabled())
            break;
        const bool press = event->type() == QEvent::KeyPress;
        if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) {
            if (press)
                moveFocus(key->key() == Qt::Key_Left ? -1 : 1);
            return true;
        }
        if (key->key() == Qt::Key_Space) {
            if (key->isAutoRepeat())
                return true;
            if (press && spaceKey_ < 0) {
                keyboardFocus_ = true;
                placeFocusMark();
                spaceKey_ = focusedKey_;
                keyDown(spaceKey_);
            } else if (!press && spaceKey_ >= 0) {
                keyUp(std::exchange(spaceKey_, -1));
            }
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardAccess::moveFocus(int step) {
    keyboardFocus_ = true;
    int k = focusedKey_ + step;
    // Past either end the key shift moves an octave, when it can, so the key stays in view.
    QScrollBar* shift = keyboard_->HScroll1;
    if (k < 0 && shift->value() > shift->minimum()) {
        k += 12;
        shift->setValue(shift->value() - 1);
    } else if (k >= Keyboard::KeyCount && shift->value() < shift->maximum()) {
        k -= 12;
        shift->setValue(shift->value() + 1);
    }
    focusedKey_ = std::clamp(k, 0, Keyboard::KeyCount - 1);
    placeFocusMark();
    focusPending_ = true;
    scheduleAnnouncement();
}

void KeyboardAccess::placeFocusMark() {
    auto* mark = static_cast<FocusMark*>(focusMark_);
    if (showsFocus() && keyboard_)
        mark->showOn(keyboard_->Keys, focusedKey_);
    else
        mark->hide();
}

void KeyboardAccess::scheduleAnnouncement() {
    if (QAccessible::isActive())
        announcement_.start();
}

unsigned KeyboardAccess::keyState(int k) const {
    return (keyboard_->isMarked(k) ? 1U : 0U) | (isLatched(k) ? 2U : 0U) | (latches() ? 4U : 0U);
}

void KeyboardAccess::announce() {
    if (!keyboard_ || !QAccessible::isActive())
        return;
    for (int k = 0; k < Keyboard::KeyCount; ++k) {
        const unsigned now = keyState(k);
        const unsigned changed = now ^ std::exchange(announcedStates_.at(k), now);
        if (changed == 0)
            continue;
        QAccessible::State states;
        states.pressed = (changed & 1U) != 0;
        states.checked = (changed & 2U) != 0;
        states.checkable = (changed & 4U) != 0;
        post(QAccessibleStateChangeEvent(keyInterface(k), states));
    }
    if (std::exchange(announcedBase_, keyboard_->KeyBase()) != keyboard_->KeyBase())
        for (int k = 0; k < Keyboard::KeyCount; ++k)
            post(QAccessibleEvent(keyInterface(k), QAccessible::NameChanged));
    if (std::exchange(focusPending_, false) && Frame1()->hasFocus())
        post(QAccessibleEvent(keyInterface(focusedKey_), QAccessible::Focus));
}
