#pragma once

#include "support/TestState.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmMidi.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// Drives the main window as a user does: its menu items, the MIDI dialog opened from Preferences
// and its status line.
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
    void activate(ChildWindow* child) { w_.mdiArea()->setActiveSubWindow(child); }

    void toggleStatusBar() { w_.mnuVisBarraStato->trigger(); }
    bool statusBarShown() const { return w_.Picture1->isVisibleTo(&w_); }
    void chooseEnglish() { w_.mnuInglese->trigger(); }

    // The MIDI dialog: a click on one of its entries (false when it lists none such), the input
    // that failed said, "Send all parts".
    void openMidiDialog() { w_.mnuMidi->trigger(); }
    bool chooseOutput(const QString& entry) { return click(w_.MidiBox->List1, entry); }
    bool chooseInput(const QString& entry) { return click(w_.MidiBox->List2, entry); }
    // An input port by its value ("jack:NAME"), as an entry naming it chooses it.
    void chooseInputPort(const QString& choice) { emit w_.MidiBox->inputChosen(choice); }
    bool inputFailedShown() const { return !w_.MidiBox->Label4->isHidden(); }
    void sendAllParts() { QTest::mouseClick(w_.MidiBox->CommSendAll, Qt::LeftButton); }
    // The built-in synthesizer's controls: "SoundFont...", what its load says (empty when
    // hidden), the level slider, the synthesizer's entry.
    void clickSoundFont() { QTest::mouseClick(w_.MidiBox->CommSoundFont, Qt::LeftButton); }
    QString soundFontNote() const {
        return w_.MidiBox->Label5->isHidden() ? QString() : w_.MidiBox->Label5->text();
    }
    QSlider* levelSlider() const { return w_.MidiBox->SliderGain; }
    QString synthEntry() const { return w_.MidiBox->List1->item(0)->text(); }

    // What the status line says the MIDI devices did last.
    QString midiStatus() const { return w_.LabelMidi->text(); }

  private:
    static bool click(QListWidget* list, const QString& text) {
        for (const QListWidgetItem* item : list->findItems(text, Qt::MatchExactly))
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(item).center());
        return !list->findItems(text, Qt::MatchExactly).isEmpty();
    }
    frmMain& w_;
};

// A main window over a fresh state, shown, with QUINTARO_MIDI_OUT and QUINTARO_MIDI_IN unset while
// it lives (the choices it remembers go to the test's own configuration folder).
struct MainHost {
    using Bytes = std::vector<std::uint8_t>;
    MainHost() {
        qunsetenv("QUINTARO_MIDI_OUT");
        qunsetenv("QUINTARO_MIDI_IN");
        main.resize(1400, 1000);
        main.show();
    }
    ~MainHost() {
        qputenv("QUINTARO_MIDI_OUT", savedOut);
        qputenv("QUINTARO_MIDI_IN", savedIn);
    }
    // "90 3c 64" as bytes.
    static Bytes BytesOf(const std::string& hex) {
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(hex));
        return {bytes.begin(), bytes.end()};
    }
    // Messages arriving at the MIDI input, handled in order.
    void in(std::initializer_list<Bytes> messages) {
        for (const Bytes& m : messages)
            t.state.midiIn.handler()(m);
    }
    // Part `n` on MIDI channel `channel`, transposed by `semitones`, opened from the menu.
    frmPart* part(int n, int channel, int semitones = 0) {
        t.state.PartParams.at(n).at(PartRow::Channel) = static_cast<std::uint8_t>(channel);
        t.state.PartParams.at(n).at(PartRow::Transposition) =
            static_cast<std::uint8_t>(12 + semitones);
        return ui.openPart(n);
    }
    // What the recording port was sent since the last take, as one line: "90 3c 64, 80 3c 40".
    std::string take() {
        std::string out;
        for (const std::string& line : t.port->messageLines())
            out += (out.empty() ? "" : ", ") + line;
        t.port->clear();
        return out;
    }
    QByteArray savedOut = qgetenv("QUINTARO_MIDI_OUT"), savedIn = qgetenv("QUINTARO_MIDI_IN");
    TestState t;
    frmMain main{t.state};
    MainWindowDriver ui{main};
};
