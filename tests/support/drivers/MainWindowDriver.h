#pragma once

#include "startup/Main.h"
#include "support/TestState.h"
#include "ui/main/frmMain.h"
#include "ui/main/frmMidi.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/part/frmPart.h"

#include <QAction>
#include <QDir>
#include <QFile>
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
    void activate(ChildWindow* child) { w_.mdiArea()->setActiveSubWindow(child); }

    void toggleStatusBar() { w_.mnuVisBarraStato->trigger(); }
    bool statusBarShown() const { return w_.Picture1->isVisibleTo(&w_); }
    bool statusBarChecked() const { return w_.mnuVisBarraStato->isChecked(); }
    void chooseLanguage(int code) { (code == 1 ? w_.mnuItaliano : w_.mnuInglese)->trigger(); }
    QString viewMenuTitle() const { return w_.mnuView->title(); }
    QString midiMenuItem() const { return w_.mnuMidi->text(); }
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

// Messages as one line, each in hex: "90 3c 64, 80 3c 40".
inline std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += (out.empty() ? "" : ", ") + line;
    return out;
}

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
    // What the recording port was sent since the last take, joined.
    std::string take() {
        const std::string lines = Joined(t.port->messageLines());
        t.port->clear();
        return lines;
    }
    QByteArray savedOut = qgetenv("QUINTARO_MIDI_OUT"), savedIn = qgetenv("QUINTARO_MIDI_IN");
    TestState t;
    frmMain main{t.state};
    MainWindowDriver ui{main};
};

// One run of the program: its state, its messages, its MIDI port and its main window (null when
// the start-up stopped).
struct ProgramRun {
    AppState state;
    RecordingSink sink;
    RecordingPort* port = nullptr;
    std::unique_ptr<frmMain> window;
};

// A program folder of the test's (the project's program-name file in it) where the program is
// started as its start-up runs, closed, and started again.
class ProgramFolder {
  public:
    ProgramFolder() {
        QFile::copy(QStringLiteral(QUINTARO_SOURCE_DIR "/data/QuintaroProgGM.txt"),
                    path("QuintaroProgGM.txt"));
    }
    QString path(const QString& name = QStringLiteral("QuintaroV10.ini")) const {
        return QDir(folder.path()).filePath(name);
    }

    // Starts the program in `directory` (this folder when none); `language` is what the
    // first-run dialog answers (0 = closed unchosen). The port fails as the fields below say.
    std::unique_ptr<ProgramRun> start(int language = 2, const QString* directory = nullptr) {
        auto run = std::make_unique<ProgramRun>();
        run->state.messages.setSink(&run->sink);
        StartupHooks hooks;
        hooks.chooseLanguage = [this, language](AppState& s) {
            ++dialogShown;
            s.LanguageCode = static_cast<std::uint8_t>(language);
            s.StartAborted = language == 0;
        };
        hooks.makePort = [this, r = run.get()] {
            auto port = std::make_unique<RecordingPort>();
            port->failOn(RecordingPort::Call::Open, 1, openResult);
            port->failOn(RecordingPort::Call::Close, 1, closeResult);
            port->emptyAtOpen = emptyAtOpen;
            r->port = port.get();
            return port;
        };
        run->window = Main(run->state, directory ? *directory : folder.path(), hooks);
        return run;
    }

    // The settings file's bytes; a byte and a big-endian word by 1-based position.
    QByteArray settingsBytes(const QString& name = QStringLiteral("QuintaroV10.ini")) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int byteAt(int pos) const { return static_cast<std::uint8_t>(settingsBytes().at(pos - 1)); }
    int wordAt(int pos) const { return byteAt(pos) * 256 + byteAt(pos + 1); }

    QTemporaryDir folder;
    int dialogShown = 0;          // language dialogs shown so far
    std::uint32_t openResult = 0; // what the port's open and close answer
    std::uint32_t closeResult = 0;
    bool emptyAtOpen = false; // the port is a synthesizer made at its open
};
