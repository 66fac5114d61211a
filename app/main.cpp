#include "app/Main.h"
#include "app/QuitSignals.h"
#include "app/strings/Messages.h"
#include "app/strings/frmLingua.h"
#include "midi/ports/MidiMapper.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    AppState state;
    MessageBoxSink sink;
    state.messages.setSink(&sink);

    StartupHooks hooks;
    hooks.chooseLanguage = [](AppState& s) { RunLanguageDialog(s); };
    hooks.makePort = [] { return CreateMappedPort(); };

    std::unique_ptr<frmMain> window = Main(state, QDir::currentPath(), hooks);
    if (!window)
        return 0;
    // A quit that does not come through the main window (the session ending) still runs its
    // shutdown, so the settings of this run are kept.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, window.get(), [&window] {
        if (!window->unloaded())
            window->close();
    });
    // Ctrl+C, a system shutdown or a closed terminal end the program as its Exit command does.
    QuitSignals quitSignals([&window] { window->close(); });
    return app.exec();
}
