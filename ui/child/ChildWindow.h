#pragma once

#include "app/AppState.h"

#include <QMdiSubWindow>
#include <optional>

// Base of every child window of the main window: a frame in the multiple-document area that
// carries its window kind (the tag) and measures itself in twips. Top, Left, Width and Height
// are the frame's geometry inside the area's viewport. A child window is deleted when it closes;
// the main window creates it again the next time it is opened.
//
// A child window never sees the main window: it reports through its signals, which the main
// window connects where it creates the window (frmMain::OpenWindowKind), and the main window keeps
// its menus in step with them.
class ChildWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    ChildWindow(AppState& state, int kind, QWidget* parent = nullptr);

    int Kind() const { return kind_; }

    // Opens the window's record and places the window as it says, runs the window's load
    // (Form_Load) with WindowLoading set, then announces it with loaded(). Called once by the main
    // window right after construction, with the signals connected.
    void Load();

    // The placement in the normal state; while minimized or maximized, the last normal one. A
    // value set in twips reads back exactly while the window has not moved or resized since.
    int Top() const;
    int Left() const;
    int Width() const;
    int Height() const;
    void setTop(int twips);
    void setLeft(int twips);
    void setWidth(int twips);
    void setHeight(int twips);

    bool isNormalState() const { return !isMinimized() && !isMaximized() && !isShaded(); }

  signals:
    // The window has loaded: the main window disables the menu item that opens this kind and
    // enables its Window menu.
    void loaded(int kind);
    // The window has unloaded and is about to be deleted: the main window enables its menu item
    // again.
    void unloaded(int kind);
    // Asks for the window of another kind to be opened, or brought to the front when it is open.
    void openWindowRequested(int kind);
    // Asks for the status bar to show part number index + 1.
    void partNumberShown(int index);

  protected:
    // Fills the window's controls from the shared tables; the window is already placed as its
    // record says.
    virtual void Form_Load() {}
    // Called first when the window is asked to close, whatever the cause; false keeps it open
    // (Form_Unload then does not run).
    virtual bool Form_QueryUnload() { return true; }
    // Called when the window is asked to close, whatever the cause (its close box, the main
    // window's Close command, the main window closing). Its record is stored next; the window
    // then closes and is deleted.
    virtual void Form_Unload() {}
    // Called after every change of size in the normal state once the kind's size limits hold,
    // and once after the load; never while a window loads. The record is already kept.
    virtual void Form_Resize() {}
    // Called when the window becomes the active child.
    virtual void Form_Activate() {}

    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Creates the window's client area: a widget named "Client" in Liberation Sans 8 pt (Arial's
    // metrics), set as the frame's widget.
    QWidget* makeClient();

    AppState& state_;

  private:
    // Twips given by setTop/setLeft/setWidth/setHeight, kept so that a record read at load is
    // stored back unchanged rather than rounded to whole pixels.
    struct Requested {
        std::optional<int> top, left, width, height;
    };
    QRect normalGeometry() const;
    void rememberNormalGeometry();

    // The window's record, kept as the kind's rules in WindowKindTable say: marked open and
    // applied at load, kept at every change of size (and of state, where the kind says so),
    // stored at unload.
    WindowRec& record() { return state_.windowRecord(kind_); }
    void openRecord();
    void keepRecord();
    void storeRecordAtUnload();
    // Takes Top, Left, Height and Width from a window record, in that order.
    void placeFrom(const WindowRec& rec);
    // Stores Top, Left, Height and Width into a window record.
    void storeGeometryInto(WindowRec& rec) const;

    int kind_;
    Requested requested_;
    QRect normalGeometry_;
    bool unloaded_ = false;
};
