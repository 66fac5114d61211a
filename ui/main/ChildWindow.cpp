#include "ui/main/ChildWindow.h"

#include "app/Twips.h"

#include <QCloseEvent>
#include <QResizeEvent>

ChildWindow::ChildWindow(AppState& state, frmMain& main, int kind)
    : state_(state), main_(main), kind_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QMdiSubWindow::aboutToActivate, this, [this] { Form_Activate(); });
}

int ChildWindow::Top() const {
    return twips::fromPixels(geometry().top());
}
int ChildWindow::Left() const {
    return twips::fromPixels(geometry().left());
}
int ChildWindow::Width() const {
    return twips::fromPixels(geometry().width());
}
int ChildWindow::Height() const {
    return twips::fromPixels(geometry().height());
}

void ChildWindow::setTop(int t) {
    move(x(), twips::toPixels(t));
}
void ChildWindow::setLeft(int l) {
    move(twips::toPixels(l), y());
}
void ChildWindow::setWidth(int w) {
    resize(twips::toPixels(w), height());
}
void ChildWindow::setHeight(int h) {
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

void ChildWindow::storeGeometryInto(WindowRec& rec) const {
    rec.Top = Top();
    rec.Left = Left();
    rec.Height = Height();
    rec.Width = Width();
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QMdiSubWindow::closeEvent(event);
}

void ChildWindow::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    Form_Resize();
}
