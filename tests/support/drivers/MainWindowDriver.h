#pragma once

#include "ui/main/frmMain.h"
#include "ui/main/frmMidi.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTest>

// Drives the main window as a user does: its menu items, its Window menu, the MIDI dialog opened
// from Preferences and its status line.
class MainWindowDriver {
  public:
    explicit MainWindowDriver(frmMain& window) : w_(window) {}

    // Opens a window from the View menu and brings it to the front, as a click on it does.
    frmPart* openPart(int n) {
        w_.mnuPart[n]->trigger();
        activate(w_.PartWindow(n));
        return w_.PartWindow(n);
    }
    frmMasterKb* openMasterKb() {
        w_.mnuMasterKb->trigger();
        activate(w_.MasterKbWindow());
        return w_.MasterKbWindow();
    }
    void activate(ChildWindow* child) {
        if (child)
            w_.mdiArea()->setActiveSubWindow(child);
    }

    void toggleStatusBar() { w_.mnuVisBarraStato->trigger(); }
    bool statusBarShown() const { return w_.Picture1->isVisibleTo(&w_); }
    bool statusBarChecked() const { return w_.mnuVisBarraStato->isChecked(); }
    void chooseLanguage(int code) { (code == 1 ? w_.mnuItaliano : w_.mnuInglese)->trigger(); }
    QString viewMenuTitle() const { return w_.mnuView->title(); }
    QString midiMenuItem() const { return w_.mnuPreferenze->actions().back()->text(); }
    bool windowMenuEnabled() const { return w_.mnuWindow->menuAction()->isEnabled(); }
    bool partMenuItemEnabled(int n) const { return w_.mnuPart[n]->isEnabled(); }
    // The Window menu as it drops down: "-" a separator, "*" after the checked item.
    QStringList windowMenu() const {
        emit w_.mnuWindow->aboutToShow();
        QStringList out;
        for (const QAction* a : w_.mnuWindow->actions())
            out << (a->isSeparator() ? "-" : a->text()) + (a->isChecked() ? "*" : "");
        return out;
    }
    void pickFromWindowMenu(int index) { w_.mnuWindow->actions()[index]->trigger(); }

    // The MIDI dialog: its entries as shown, a click on one, the input that failed said.
    void openMidiDialog() { w_.mnuMidi->trigger(); }
    QStringList outputs() const { return entries(w_.MidiBox->List1); }
    QStringList inputs() const { return entries(w_.MidiBox->List2); }
    QString selectedInput() const { return w_.MidiBox->List2->currentItem()->text(); }
    bool chooseOutput(const QString& entry) { return click(w_.MidiBox->List1, entry); }
    bool chooseInput(const QString& entry) { return click(w_.MidiBox->List2, entry); }
    // An input port by its value ("jack:NAME"), as an entry naming it chooses it.
    void chooseInputPort(const QString& choice) { emit w_.MidiBox->inputChosen(choice); }
    bool inputFailedShown() const { return !w_.MidiBox->Label4->isHidden(); }
    void sendAllParts() { QTest::mouseClick(w_.MidiBox->CommSendAll, Qt::LeftButton); }

    // What the status line says the MIDI devices did last.
    QString midiStatus() const { return w_.LabelMidi->text(); }

  private:
    static QStringList entries(const QListWidget* list) {
        QStringList out;
        for (int row = 0; row < list->count(); ++row)
            out << list->item(row)->text();
        return out;
    }
    static bool click(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        if (!found.isEmpty())
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(found.front()).center());
        return !found.isEmpty();
    }
    frmMain& w_;
};
