#include "ui/main/frmMain.h"

#include "app/Main.h"
#include "app/Twips.h"
#include "app/strings/StringTable.h"
#include "ui/accessories/frmAbout.h"
#include "ui/accessories/frmBloccoNote.h"
#include "ui/main/ChildWindow.h"
#include "ui/masterkb/frmMasterKb.h"
#include "ui/mixer/frmGMPag.h"
#include "ui/mixer/frmVolumeAll.h"
#include "ui/part/frmPart.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int StatusBarHeight = 300; // twips
const QString TitleSuffix = QStringLiteral("   Versione beta");
} // namespace

frmMain::frmMain(AppState& state) : state_(state) {
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
    Form_Load();
}

frmMain::~frmMain() = default;

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
    Label6->setGeometry(twips::rect(label5Left + 1100 + 20, 0, 1100, height));
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto res = [this](int n) { return state_.ResString(n); };

    mnuFile = bar->addMenu(res(2));
    mnuChiudi = mnuFile->addAction(res(8));
    connect(mnuChiudi, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* active = mdiArea_->activeSubWindow())
            active->close();
    });
    mnuFile->addSeparator(); // mnuSep13
    mnuExit = mnuFile->addAction(res(7));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    mnuModifica = bar->addMenu(QStringLiteral("&Modifica"));
    mnuIngrandisci = mnuModifica->addAction(res(11));
    connect(mnuIngrandisci, &QAction::triggered, this, [this] { mnuIngrandisci_Click(); });

    mnuView = bar->addMenu(res(3));
    mnuVolumeAll = mnuView->addAction(QStringLiteral("Volume All"));
    connect(mnuVolumeAll, &QAction::triggered, this, [this] { mnuVolumeAll_Click(); });
    mnuView->addSeparator(); // mnuS32
    mnuParti = mnuView->addMenu(QStringLiteral("Part"));
    for (int n = 1; n <= 16; ++n) {
        mnuPart[n] = mnuParti->addAction(QStringLiteral("Part %1").arg(n));
        connect(mnuPart[n], &QAction::triggered, this, [this, n] { mnuPart_Click(n); });
    }
    mnuView->addSeparator(); // mnuS31
    mnuGMPag[1] = mnuView->addAction(QStringLiteral("GM Page 1 "));
    mnuGMPag[2] = mnuView->addAction(QStringLiteral("GM Page 2"));
    for (int n = 1; n <= 2; ++n)
        connect(mnuGMPag[n], &QAction::triggered, this, [this, n] { mnuGMPag_Click(n); });
    mnuView->addSeparator(); // mnuS37
    mnuMasterKb = mnuView->addAction(QStringLiteral("Master Keyboard"));
    mnuBloccoNote = mnuView->addAction(res(10));
    connect(mnuMasterKb, &QAction::triggered, this, [this] { mnuMasterKb_Click(); });
    connect(mnuBloccoNote, &QAction::triggered, this, [this] { mnuBloccoNote_Click(); });

    mnuPreferenze = bar->addMenu(res(62));
    mnuLingua = mnuPreferenze->addMenu(res(63));
    mnuItaliano = mnuLingua->addAction(res(64));
    mnuInglese = mnuLingua->addAction(res(65));
    mnuItaliano->setCheckable(true);
    mnuInglese->setCheckable(true);
    connect(mnuItaliano, &QAction::triggered, this, [this] { mnuLanguage_Click(1); });
    connect(mnuInglese, &QAction::triggered, this, [this] { mnuLanguage_Click(2); });
    mnuPreferenze->addSeparator(); // mnuSep41
    mnuVisBarraStato = mnuPreferenze->addAction(res(103));
    mnuVisBarraStato->setCheckable(true);
    connect(mnuVisBarraStato, &QAction::triggered, this, [this] { mnuVisBarraStato_Click(); });

    mnuWindow = bar->addMenu(res(4));
    mnuCascade = mnuWindow->addAction(res(9));
    connect(mnuCascade, &QAction::triggered, this, [this] { mnuCascade_Click(); });
    connect(mnuWindow, &QMenu::aboutToShow, this, [this] { rebuildWindowList(); });

    mnuHelp = bar->addMenu(QStringLiteral("&?"));
    mnuGuida = mnuHelp->addAction(QStringLiteral("Guida Utente"));
    mnuHelp->addSeparator(); // mnuSep51
    mnuInfo = mnuHelp->addAction(res(5));
    connect(mnuInfo, &QAction::triggered, this, [this] { mnuInfo_Click(); });
    mnuHelp->addSeparator(); // mnuSep52
}

// The list of open child windows under mnuWindow, after its own items; the active one checked.
void frmMain::rebuildWindowList() {
    const auto actions = mnuWindow->actions();
    for (QAction* action : actions) {
        if (action == mnuCascade)
            continue;
        mnuWindow->removeAction(action);
        action->deleteLater();
    }
    const auto windows = mdiArea_->subWindowList();
    if (windows.isEmpty())
        return;
    mnuWindow->addSeparator();
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* item =
            mnuWindow->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        item->setCheckable(true);
        item->setChecked(window == mdiArea_->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
            if (target)
                mdiArea_->setActiveSubWindow(target);
        });
    }
}

void frmMain::Form_Load() {
    Picture1->setVisible(state_.StatusBarVisible);
    layoutStatusFields();
    state_.LanguageBase = (state_.LanguageCode - 1) * 200;
    setWindowTitle(ProductTitle + TitleSuffix);
    mnuChiudi->setEnabled(false);
    mnuWindow->menuAction()->setEnabled(false);
    mnuItaliano->setChecked(state_.LanguageCode == 1);
    mnuInglese->setChecked(state_.LanguageCode == 2);
    mnuVisBarraStato->setChecked(state_.StatusBarVisible);
    for (int k = 1; k <= WindowKind::LastStored; ++k) {
        if (state_.LoadWindowRecord(k)) {
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

void frmMain::showChild(ChildWindow* child) {
    // The area would give a new window a free place of its own; it keeps the one its load gave it.
    const QRect placed = child->geometry();
    mdiArea_->addSubWindow(child);
    child->setGeometry(placed);
    child->show();
    if (child->geometry() != placed)
        child->setGeometry(placed);
}

void frmMain::ShowPartNumber(int index) {
    Label3->setText(QString::number(index + 1));
}

void frmMain::OpenWindowKind(int kind) {
    if (kind >= WindowKind::FirstPart && kind <= WindowKind::LastPart)
        mnuPart_Click(kind);
    else if (kind == WindowKind::MasterKb)
        mnuMasterKb_Click();
    else if (kind == WindowKind::VolumeAll)
        mnuVolumeAll_Click();
    else if (kind == WindowKind::GMPage1 || kind == WindowKind::GMPage2)
        showGMPage(kind);
    else if (kind == WindowKind::Notepad)
        mnuBloccoNote_Click();
    // Kind 18 never opens anything.
}

ChildWindow* frmMain::WindowOfKind(int kind) const {
    if (kind >= WindowKind::FirstPart && kind <= WindowKind::LastPart)
        return PartWindows[kind];
    if (kind == WindowKind::MasterKb)
        return MasterKb;
    if (kind == WindowKind::VolumeAll)
        return VolumeAll;
    if (kind == WindowKind::GMPage1 || kind == WindowKind::GMPage2)
        return GMPages[kind - WindowKind::GMPage1 + 1];
    if (kind == WindowKind::Notepad)
        return BloccoNote;
    return nullptr;
}

// Stacks the open windows diagonally from the top-left corner, in window-kind order; the last
// one moved ends up in front and active.
void frmMain::mnuCascade_Click() {
    int x = 0;
    int y = 0;
    for (int kind = 1; kind <= WindowKind::LastStored; ++kind) {
        if (!state_.LoadWindowRecord(kind))
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
    int height = 0;
    int width = 0;
    if (!StandardWindowSize(window->Kind(), height, width))
        return;
    // A maximized or minimized window first comes back to its own place.
    if (!window->isNormalState())
        window->showNormal();
    window->setHeight(height);
    window->setWidth(width);
}

void frmMain::mnuPart_Click(int n) {
    state_.CurrentPart = n;
    if (!PartWindows[n]) {
        auto* window = new frmPart(state_, *this, n);
        PartWindows[n] = window;
        connectPartWindow(window);
        window->Form_Load();
        showChild(window);
    } else {
        mdiArea_->setActiveSubWindow(PartWindows[n]);
    }
}

void frmMain::connectPartWindow(frmPart* window) {
    connect(window, &frmPart::partValueShown, this, [this](int part, int row, int value) {
        if (VolumeAll)
            VolumeAll->ShowPartValue(part, row, value);
    });
    connect(window, &frmPart::openWindowRequested, this, &frmMain::OpenWindowKind);
}

void frmMain::mnuVolumeAll_Click() {
    if (VolumeAll) {
        mdiArea_->setActiveSubWindow(VolumeAll);
        return;
    }
    auto* window = new frmVolumeAll(state_, *this);
    VolumeAll = window;
    connect(window, &frmVolumeAll::loaded, this, [this] {
        mnuVolumeAll->setEnabled(false);
        mnuWindow->menuAction()->setEnabled(true);
    });
    connect(window, &frmVolumeAll::unloaded, this, [this] { mnuVolumeAll->setEnabled(true); });
    connect(window, &frmVolumeAll::partNumberShown, this, &frmMain::ShowPartNumber);
    connect(window, &frmVolumeAll::openWindowRequested, this, &frmMain::OpenWindowKind);
    connect(window, &frmVolumeAll::partVolumeRequested, this, [this](int part, int value) {
        if (PartWindows[part])
            PartWindows[part]->SetVolume(value);
    });
    window->Form_Load();
    showChild(window);
}

void frmMain::mnuGMPag_Click(int n) {
    mnuGMPag[n]->setEnabled(false);
    state_.GMPageSelector = n + WindowKind::GMPage1 - 1;
    showGMPage(state_.GMPageSelector);
}

void frmMain::showGMPage(int kind) {
    const int n = kind - WindowKind::GMPage1 + 1;
    if (GMPages[n]) {
        mdiArea_->setActiveSubWindow(GMPages[n]);
        return;
    }
    auto* page = new frmGMPag(state_, *this, kind);
    GMPages[n] = page;
    connect(page, &frmGMPag::loaded, this, [this] { mnuWindow->menuAction()->setEnabled(true); });
    connect(page, &frmGMPag::unloaded, this, [this, n] { mnuGMPag[n]->setEnabled(true); });
    connect(page, &frmGMPag::programNameShown, this, [this](int part, const QString& name) {
        if (VolumeAll)
            VolumeAll->ShowProgramName(part, name);
    });
    connect(page, &frmGMPag::partProgramShown, this, [this](int part, const QString& text) {
        if (PartWindows[part])
            PartWindows[part]->ShowProgram(text);
    });
    page->Form_Load();
    showChild(page);
}

void frmMain::mnuMasterKb_Click() {
    if (!MasterKb) {
        MasterKb = new frmMasterKb(state_, *this);
        MasterKb->Form_Load();
        showChild(MasterKb);
    } else {
        mdiArea_->setActiveSubWindow(MasterKb);
    }
}

void frmMain::mnuBloccoNote_Click() {
    if (!BloccoNote) {
        BloccoNote = new frmBloccoNote(state_, *this);
        BloccoNote->Form_Load();
        showChild(BloccoNote);
    } else {
        mdiArea_->setActiveSubWindow(BloccoNote);
    }
}

void frmMain::Timer1_Timer(int kind) {
    Timer1[kind]->stop();
    if (kind == WindowKind::GMPage1 || kind == WindowKind::GMPage2) {
        mnuGMPag_Click(kind - WindowKind::GMPage1 + 1);
        return;
    }
    const bool restoring = (kind >= WindowKind::FirstPart && kind <= WindowKind::LastPart) ||
                           kind == WindowKind::VolumeAll;
    if (restoring)
        state_.RestoringWindows = true;
    OpenWindowKind(kind);
    if (restoring)
        state_.RestoringWindows = false;
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
        AboutBox = new frmAbout(this);
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
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
        state_.AppClosing = true;
        mdiArea_->closeAllSubWindows();
        Form_Unload();
    }
    event->accept();
}

void frmMain::Form_Unload() {
    unloaded_ = true;
    storePlacement();
    Shutdown(state_);
}
