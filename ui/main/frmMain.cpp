#include "ui/main/frmMain.h"

#include "app/strings/StringTable.h"
#include "app/strings/Translation.h"
#include "devices/Devices.h"
#include "ui/Twips.h"
#include "ui/accessories/frmAbout.h"
#include "ui/accessories/frmBloccoNote.h"
#include "ui/child/ChildWindow.h"
#include "ui/keyboard/Keyboard.h"
#include "ui/main/SoundStatus.h"
#include "ui/main/frmMidi.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/mixer/frmGMPag.h"
#include "ui/mixer/frmVolumeAll.h"
#include "ui/part/frmPart.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int StatusBarHeight = 300; // twips
} // namespace

frmMain::frmMain(AppState& state, std::function<void()> onUnload)
    : state_(state), onUnload_(std::move(onUnload)) {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mdiArea_ = new QMdiArea(client);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(mdiArea_, 1);
    setCentralWidget(client);

    buildStatusBar();
    layout->addWidget(Picture1);
    buildMenus();

    for (int k = 1; k <= WindowKind::LastStored; ++k) {
        Timer1[k] = new QTimer(this);
        Timer1[k]->setSingleShot(true);
        Timer1[k]->setObjectName(QStringLiteral("Timer1_%1").arg(k));
        connect(Timer1[k], &QTimer::timeout, this, [this, k] { Timer1_Timer(k); });
    }
    devices_ = new Devices(
        state_, IncomingNoteTarget{[this] { return MidiInputEngine(); }},
        [this] { ReleaseKeyboards(); }, this);
    connect(devices_, &Devices::statusChanged, LabelMidi, &QLabel::setText);
    LabelMidi->setText(devices_->status());
    state_.midi.setStatusHandler(
        [this](int status) { LabelMidi->setText(SoundStatusText(status, state_.LanguageCode)); });
    Form_Load();
}

frmMain::~frmMain() {
    // The input stops playing through the windows before they go.
    delete devices_;
    state_.midi.setStatusHandler({});
}

void frmMain::ReleaseKeyboards() {
    for (int n = 1; n <= 16; ++n)
        if (frmPart* part = PartWindow(n))
            part->keyboard().ReleaseAll();
    if (frmMasterKb* master = MasterKbWindow())
        master->keyboard().ReleaseAll();
}

NoteEngine* frmMain::MidiInputEngine() const {
    Keyboard* keyboard = MidiInputKeyboard();
    return keyboard != nullptr ? &keyboard->engine() : nullptr;
}

Keyboard* frmMain::MidiInputKeyboard() const {
    // The current window even while another program has the focus: the musician plays the MIDI
    // keyboard, not this program's windows.
    QMdiSubWindow* current = mdiArea_->currentSubWindow();
    if (auto* part = qobject_cast<frmPart*>(current))
        return &part->keyboard();
    if (auto* master = qobject_cast<frmMasterKb*>(current))
        return &master->keyboard();
    if (frmPart* part = PartWindow(state_.currentPart()))
        return &part->keyboard();
    return nullptr;
}

void frmMain::buildStatusBar() {
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedHeight(twips::toPixels(StatusBarHeight));
    Picture1->setAutoFillBackground(true);
    auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(Picture1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        return label;
    };
    Label2 = makeLabel("Label2");
    Label3 = makeLabel("Label3");
    Label1 = makeLabel("Label1");
    Label4 = makeLabel("Label4");
    Label5 = makeLabel("Label5");
    Label6 = makeLabel("Label6");
    LabelMidi = makeLabel("LabelMidi");
    Label2->setText(ProductTitle);
    Label3->setAlignment(Qt::AlignCenter);
}

void frmMain::layoutStatusFields() {
    // Fields in a row from the left, each 20 twips after the previous one, all as high as Label2.
    const int height = StatusBarHeight - 10;
    Label2->setGeometry(twips::rect(20, 0, 3600, height));
    Label3->setGeometry(twips::rect(3600 + 30, 0, 600, height));
    const int label1Left = 3630 + 600 + 20;
    Label1->setGeometry(twips::rect(label1Left, 0, 1100, height));
    const int label4Left = label1Left + 1100 + 20;
    Label4->setGeometry(twips::rect(label4Left, 0, 1100, height));
    const int label5Left = label4Left + 1100 + 20;
    Label5->setGeometry(twips::rect(label5Left, 0, 1100, height));
    const int label6Left = label5Left + 1100 + 20;
    Label6->setGeometry(twips::rect(label6Left, 0, 1100, height));
    const int midiLeft = label6Left + 1100 + 20;
    LabelMidi->setGeometry(twips::rect(midiLeft, 0, 6000, height));
}

void frmMain::Form_Load() {
    Picture1->setVisible(state_.StatusBarVisible);
    layoutStatusFields();
    state_.takeLanguageBase();
    setWindowTitle(ProductTitle +
                   Language::ofBase(state_.LanguageBase).translate("frmMain", "   Versione beta"));
    mnuChiudi->setEnabled(false);
    updateMenus();
    mnuItaliano->setChecked(state_.LanguageCode == 1);
    mnuInglese->setChecked(state_.LanguageCode == 2);
    mnuVisBarraStato->setChecked(state_.StatusBarVisible);
    for (int k = 1; k <= WindowKind::LastStored; ++k) {
        if (state_.IsWindowOpen(k)) {
            Timer1[k]->setInterval(10);
            Timer1[k]->start();
        }
    }
    if (state_.WindowExtras[WindowExtra::State] == MainWindowState::Normal) {
        move(0, 0);
        if (state_.WindowExtras[WindowExtra::Height] > 0 &&
            state_.WindowExtras[WindowExtra::Width] > 0)
            resize(twips::size(state_.WindowExtras[WindowExtra::Width],
                               state_.WindowExtras[WindowExtra::Height]));
    }
}

void frmMain::showAsStored() {
    switch (state_.WindowExtras[WindowExtra::State]) {
    case MainWindowState::Minimized:
        showMinimized();
        break;
    case MainWindowState::Maximized:
        showMaximized();
        break;
    default:
        show();
        break;
    }
}

ChildWindow* frmMain::createChild(int kind) {
    QWidget* area = mdiArea_->viewport();
    if (WindowKind::isPart(kind))
        return new frmPart(state_, kind, area);
    switch (kind) {
    case WindowKind::VolumeAll:
        return new frmVolumeAll(state_, area);
    case WindowKind::MasterKb:
        return new frmMasterKb(state_, area);
    case WindowKind::GMPage1:
    case WindowKind::GMPage2:
        return new frmGMPag(state_, kind, area);
    case WindowKind::Notepad:
        return new frmBloccoNote(state_, area);
    default: // kind 18 has no window
        return nullptr;
    }
}

void frmMain::connectMirrors(ChildWindow* child) {
    if (auto* part = qobject_cast<frmPart*>(child)) {
        connect(part, &frmPart::partValueShown, this, [this](int n, int row, int value) {
            if (frmVolumeAll* volume = VolumeAllWindow())
                volume->ShowPartValue(n, row, value);
        });
    } else if (auto* volume = qobject_cast<frmVolumeAll*>(child)) {
        connect(volume, &frmVolumeAll::partVolumeRequested, this, [this](int n, int value) {
            if (frmPart* window = PartWindow(n))
                window->SetVolume(value);
        });
    } else if (auto* page = qobject_cast<frmGMPag*>(child)) {
        connect(page, &frmGMPag::programNameShown, this, [this](int n, const QString& name) {
            if (frmVolumeAll* window = VolumeAllWindow())
                window->ShowProgramName(n, name);
        });
        connect(page, &frmGMPag::partProgramShown, this, [this](int n, const QString& text) {
            if (frmPart* window = PartWindow(n))
                window->ShowProgram(text);
        });
    }
}

ChildWindow* frmMain::OpenWindowKind(int kind) {
    if (WindowKind::isPart(kind))
        state_.makeCurrent(kind);
    if (WindowKind::isGMPage(kind))
        state_.showProgramPage(kind);
    if (ChildWindow* open = WindowOfKind(kind)) {
        mdiArea_->setActiveSubWindow(open);
        return open;
    }
    ChildWindow* child = createChild(kind);
    if (child == nullptr)
        return nullptr;
    windows_[kind] = child;
    connect(child, &ChildWindow::loaded, this, [this] {
        childLoaded_ = true;
        updateMenus();
    });
    connect(child, &ChildWindow::unloaded, this, &frmMain::childUnloaded);
    connect(child, &ChildWindow::openWindowRequested, this, &frmMain::OpenWindowKind);
    connect(child, &ChildWindow::partNumberShown, this, &frmMain::ShowPartNumber);
    connectMirrors(child);
    // Into the area before the load: the frame's title bar is laid out again on every change of
    // parent, flags and size, and each layout measures the title, so joining the area while the
    // title is still empty keeps that work to the few layouts that follow the load.
    mdiArea_->addSubWindow(child);
    child->Load();
    showChild(child);
    return child;
}

void frmMain::childUnloaded(int kind) {
    windows_[kind] = nullptr;
    heldByMenu_[kind] = false;
    updateMenus();
}

void frmMain::showChild(ChildWindow* child) {
    // The area would give a new window a free place of its own; it keeps the one its load gave it.
    const QRect placed = child->geometry();
    child->show();
    if (child->geometry() != placed)
        child->setGeometry(placed);
}

void frmMain::ShowPartNumber(int index) {
    Label3->setText(QString::number(index + 1));
}

ChildWindow* frmMain::WindowOfKind(int kind) const {
    if (kind < WindowKind::FirstPart || kind > WindowKind::LastStored)
        return nullptr;
    return windows_[kind];
}

frmPart* frmMain::PartWindow(int n) const {
    return WindowKind::isPart(n) ? qobject_cast<frmPart*>(WindowOfKind(n)) : nullptr;
}
frmVolumeAll* frmMain::VolumeAllWindow() const {
    return qobject_cast<frmVolumeAll*>(WindowOfKind(WindowKind::VolumeAll));
}
frmGMPag* frmMain::GMPage(int n) const {
    return qobject_cast<frmGMPag*>(WindowOfKind(WindowKind::GMPage1 - 1 + n));
}
frmMasterKb* frmMain::MasterKbWindow() const {
    return qobject_cast<frmMasterKb*>(WindowOfKind(WindowKind::MasterKb));
}
frmBloccoNote* frmMain::NotepadWindow() const {
    return qobject_cast<frmBloccoNote*>(WindowOfKind(WindowKind::Notepad));
}

void frmMain::OpenFromMenu(int kind) {
    if (OpenWindowKind(kind) != nullptr && WindowKind::isGMPage(kind)) {
        heldByMenu_[kind] = true;
        updateMenus();
    }
}

// Stacks the open windows diagonally from the top-left corner, in window-kind order; the last
// one moved ends up in front and active.
void frmMain::mnuCascade_Click() {
    int x = 0;
    int y = 0;
    for (int kind = 1; kind <= WindowKind::LastStored; ++kind) {
        if (!state_.IsWindowOpen(kind))
            continue;
        ChildWindow* window = WindowOfKind(kind);
        if (window == nullptr)
            continue;
        window->setLeft(x);
        window->setTop(y);
        mdiArea_->setActiveSubWindow(window);
        x += 300;
        y += 330;
    }
}

// Gives the active child window its standard size; its position does not change.
void frmMain::mnuIngrandisci_Click() {
    auto* window = qobject_cast<ChildWindow*>(mdiArea_->activeSubWindow());
    if (window == nullptr)
        return;
    const WindowSize standard = KindInfo(window->Kind()).standard;
    if (standard.isEmpty())
        return;
    // A maximized or minimized window first comes back to its own place.
    if (!window->isNormalState())
        window->showNormal();
    window->setHeight(standard.height);
    window->setWidth(standard.width);
}

void frmMain::Timer1_Timer(int kind) {
    Timer1[kind]->stop();
    if (KindInfo(kind).restores) {
        AppState::RestoringWindowsScope restoring(state_);
        OpenFromMenu(kind);
    } else {
        OpenFromMenu(kind);
    }
}

void frmMain::mnuVisBarraStato_Click() {
    // The action toggles its own check mark before this runs; the strip follows it.
    Picture1->setVisible(mnuVisBarraStato->isChecked());
}

void frmMain::mnuLanguage_Click(int code) {
    if (code == state_.LanguageCode) {
        // Choosing the language in use changes nothing, its check mark included.
        mnuItaliano->setChecked(state_.LanguageCode == 1);
        mnuInglese->setChecked(state_.LanguageCode == 2);
        return;
    }
    state_.LanguageCode = static_cast<std::uint8_t>(code);
    mnuItaliano->setChecked(code == 1);
    mnuInglese->setChecked(code == 2);
    // The captions stay in the running language until the next start, and so does this message.
    state_.messages.ShowMessage(24, state_.ResString(84));
}

void frmMain::mnuInfo_Click() {
    if (!AboutBox)
        AboutBox = new frmAbout(state_.LanguageBase, this);
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
}

void frmMain::mnuMidi_Click() {
    // The list shows the ports present now: a dialog left open from before is replaced.
    if (MidiBox)
        MidiBox->close();
    MidiBox = new frmMidi(state_.LanguageCode, devices_->outputs(), devices_->outputChoice(),
                          devices_->inputs(), devices_->inputChoice(), this);
    MidiBox->setAttribute(Qt::WA_DeleteOnClose);
    connect(MidiBox, &frmMidi::outputChosen, devices_, &Devices::ChooseOutput);
    connect(MidiBox, &frmMidi::inputChosen, this, [this](const QString& choice) {
        const bool opened = devices_->ChooseInput(choice);
        if (MidiBox)
            MidiBox->showInputFailed(!opened);
    });
    connect(MidiBox, &frmMidi::sendAllRequested, devices_, &Devices::SendAllStates);
    MidiBox->attachSynth(*devices_);
    MidiBox->show();
    MidiBox->raise();
    MidiBox->activateWindow();
}

void frmMain::storePlacement() {
    int windowState = MainWindowState::Normal;
    if (isMinimized())
        windowState = MainWindowState::Minimized;
    else if (isMaximized())
        windowState = MainWindowState::Maximized;
    state_.WindowExtras[WindowExtra::State] = windowState;
    if (windowState == MainWindowState::Normal) {
        state_.WindowExtras[WindowExtra::Top] = twips::fromPixels(y());
        state_.WindowExtras[WindowExtra::Left] = twips::fromPixels(x());
        state_.WindowExtras[WindowExtra::Height] = twips::fromPixels(height());
        state_.WindowExtras[WindowExtra::Width] = twips::fromPixels(width());
    }
    state_.StatusBarVisible = mnuVisBarraStato->isChecked();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        state_.beginClosing();
        mdiArea_->closeAllSubWindows();
        Form_Unload();
    }
    event->accept();
}

void frmMain::Form_Unload() {
    unloaded_ = true;
    storePlacement();
    if (onUnload_)
        onUnload_();
}
