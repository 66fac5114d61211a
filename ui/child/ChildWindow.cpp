#include "ui/child/ChildWindow.h"

#include "ui/Twips.h"

#include <QCloseEvent>
#include <QMoveEvent>
#include <QResizeEvent>

// The main window builds its children inside the area's viewport, where they will live: built as
// a top-level widget and moved into the area later, each of its controls would be told of the new
// parent, font and palette again.
ChildWindow::ChildWindow(AppState& state, int kind, QWidget* parent)
    : QMdiSubWindow(parent), state_(state), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QMdiSubWindow::aboutToActivate, this, [this] { Form_Activate(); });
    // A click on a control that takes no focus (a key, a label) gives the focus to the first
    // ancestor that does: this frame, which activates the window and hands the focus straight
    // back to the control that had it, redrawing the frame and that control on every click. The
    // frame needs the focus only to be activated by such a click; while it is active it declines
    // it, so the click leaves the focus where it is.
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates, Qt::WindowStates now) {
                setFocusPolicy(now.testFlag(Qt::WindowActive) ? Qt::NoFocus : Qt::StrongFocus);
            });
}

QWidget* ChildWindow::makeClient() {
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("Client"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8);
    client->setFont(font);
    setWidget(client);
    return client;
}

void ChildWindow::Load() {
    {
        const AppState::WindowLoadingScope loading(state_);
        openRecord();
        Form_Load();
    }
    if (isNormalState())
        Form_Resize();
    emit loaded(kind_);
}

namespace {
// The twips a pixel value stands for: the value that was asked for when it still gives that pixel.
int Exact(int pixels, const std::optional<int>& requested) {
    if (requested && twips::toPixels(*requested) == pixels)
        return *requested;
    return twips::fromPixels(pixels);
}
} // namespace

QRect ChildWindow::normalGeometry() const {
    return isNormalState() || normalGeometry_.isNull() ? geometry() : normalGeometry_;
}

void ChildWindow::rememberNormalGeometry() {
    if (isNormalState())
        normalGeometry_ = geometry();
}

int ChildWindow::Top() const {
    return Exact(normalGeometry().top(), requested_.top);
}
int ChildWindow::Left() const {
    return Exact(normalGeometry().left(), requested_.left);
}
int ChildWindow::Width() const {
    return Exact(normalGeometry().width(), requested_.width);
}
int ChildWindow::Height() const {
    return Exact(normalGeometry().height(), requested_.height);
}

void ChildWindow::setTop(int t) {
    requested_.top = t;
    move(x(), twips::toPixels(t));
}
void ChildWindow::setLeft(int l) {
    requested_.left = l;
    move(twips::toPixels(l), y());
}
void ChildWindow::setWidth(int w) {
    requested_.width = w;
    resize(twips::toPixels(w), height());
}
void ChildWindow::setHeight(int h) {
    requested_.height = h;
    resize(width(), twips::toPixels(h));
}

void ChildWindow::placeFrom(const WindowRec& rec) {
    setTop(rec.Top);
    setLeft(rec.Left);
    if (rec.Height > 0)
        setHeight(rec.Height);
    if (rec.Width > 0)
        setWidth(rec.Width);
}

void ChildWindow::openRecord() {
    using NoSize = WindowRecordRules::NoSize;
    const WindowKindInfo info = KindInfo(kind_);
    WindowRec& rec = record();
    rec.Open = 1;
    switch (info.record.noSize) {
    case NoSize::Kept:
        break;
    case NoSize::StandardShown:
        setHeight(info.standard.height);
        setWidth(info.standard.width);
        break;
    case NoSize::StandardStored:
        if (rec.Height <= 0 || rec.Width <= 0) {
            rec.Height = info.standard.height;
            rec.Width = info.standard.width;
        }
        break;
    }
    placeFrom(rec);
}

void ChildWindow::keepRecord() {
    const WindowKindInfo info = KindInfo(kind_);
    const WindowRecordRules& rules = info.record;
    WindowRec& rec = record();
    // Minimized or maximized, the window's size is the one the area gives it: nothing is
    // limited, and the record keeps the last normal size, which the window takes again when it
    // is restored.
    if (isMinimized()) {
        if (rules.openTwoWhileMinimized)
            rec.Open = 2;
        return;
    }
    if (!isNormalState()) {
        if (rules.resizeStoresPlacement)
            storeGeometryInto(rec);
        return;
    }
    if (rules.limited) {
        // A correction resizes the window again and so also comes back here.
        if (Width() > info.standard.width)
            setWidth(info.standard.width);
        if (Height() < info.standard.height)
            setHeight(info.standard.height);
    }
    if (rules.openTwoWhileMinimized)
        rec.Open = 1;
    if (rules.resizeStoresPlacement) {
        storeGeometryInto(rec);
    } else {
        rec.Height = Height();
        rec.Width = Width();
    }
    Form_Resize();
}

void ChildWindow::storeRecordAtUnload() {
    if (isMinimized() && KindInfo(kind_).record.minimizedCloseKeepsRecord)
        return;
    WindowRec& rec = record();
    // Closed with the program, the window stays recorded as open and comes back at the next
    // start.
    if (!state_.appClosing())
        rec.Open = 0;
    // Minimized or maximized, the window stores the placement it had in its normal state.
    storeGeometryInto(rec);
}

void ChildWindow::storeGeometryInto(WindowRec& rec) const {
    rec.Top = Top();
    rec.Left = Left();
    rec.Height = Height();
    rec.Width = Width();
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        if (!Form_QueryUnload()) {
            event->ignore();
            return;
        }
        unloaded_ = true;
        Form_Unload();
        storeRecordAtUnload();
        emit unloaded(kind_);
    }
    QMdiSubWindow::closeEvent(event);
}

void ChildWindow::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (!unloaded_ && !state_.windowLoading())
        keepRecord();
    rememberNormalGeometry();
}

void ChildWindow::changeEvent(QEvent* event) {
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !unloaded_ && !state_.windowLoading() &&
        KindInfo(kind_).record.openTwoWhileMinimized)
        keepRecord();
}

void ChildWindow::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    rememberNormalGeometry();
}
