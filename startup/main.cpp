#include "startup/Main.h"
#include "devices/PortKinds.h"
#include "midi/ports/MidiMapper.h"
#include "startup/QuitSignals.h"
#include "ui/dialogs/MessageBoxSink.h"
#include "ui/dialogs/frmLingua.h"
#include "ui/main/ProgramIcon.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    AppState state;
    MessageBoxSink sink;
    state.messages.setSink(&sink);

    StartupHooks hooks;
    hooks.chooseLanguage = [](AppState& s) { RunLanguageDialog(s); };
    hooks.makePort = [] { return CreateMappedPort(); };
    hooks.midiInChoice = StartInputChoice();

    // Ctrl+C, a system shutdown or a closed terminal end the program as its Exit command does,
    // so the settings of the run are written. During the start-up, the dialog that is up closes
    // as by its close box, and the program ends once the start-up is through.
    std::unique_ptr<frmMain> window;
    bool quitRequested = false;
    QuitSignals quitSignals([&window, &quitRequested] {
        quitRequested = true;
        if (window)
            window->close();
        else
            QApplication::closeAllWindows();
    });

    window = Main(state, QDir::currentPath(), hooks);
    if (!window)
        return 0;
    if (quitRequested) {
        window->close();
        return 0;
    }
    // A quit that does not come through the main window (the session ending) still runs its
    // shutdown.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, window.get(), [&window] {
        if (!window->unloaded())
            window->close();
    });
    return app.exec();
}
