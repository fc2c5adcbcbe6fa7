#include "app/programmain.h"

#include "app/driver/batchheap.h"
#include "app/runtime/chorelglobals.h"
#include "app/driver/commandline.h"
#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/runtime/showmessage.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Notices of the offscreen platform that say nothing to a batch user: a window manager hint
// it cannot pass on, and a runtime folder it does not need.
bool isPlatformNoise(const QString &message)
{
    return message.contains(QLatin1String("propagateSizeHints")) ||
           message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

QtMessageHandler defaultMessageHandler = nullptr;

void batchMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && isPlatformNoise(message))
        return;
    defaultMessageHandler(type, context, message);
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int ProgramMain(int &argc, char **argv, const ParsedCommandLine &commandLine)
{
    // Batch runs never need a display; without one, messages go to stderr.
    const bool batch = !commandLine.value(u'o').isEmpty();
    if (batch)
        PrepareBatchHeap();
    bool offscreen = false;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && (batch || !displayAvailable())) {
        if (!batch && commandLine.valid()) {
            std::fprintf(stderr, "Chorel: no display to open the window on; give -o OUTPUT "
                                 "for a batch run.\n");
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        offscreen = true;
    }

    if (batch || offscreen)
        defaultMessageHandler = qInstallMessageHandler(batchMessageHandler);
    QApplication app(argc, argv);
    SetBatchMessages(batch);
    InstallMessageHook();
    Globals().LogFile = DefaultLogFile();

    MainForm form(commandLine, StandardWindowParts());
    if (form.state().QuitRequested)
        return form.state().ExitCode;
    form.Load();
    if (form.state().QuitRequested && form.state().BatchMode)
        return form.state().ExitCode;
    form.show();
    // A batch run lays the window out as on screen, so the map control has its size, but never
    // paints it: the map is drawn once, straight into the exported picture.
    if (batch)
        form.setUpdatesEnabled(false);
    const int result = app.exec();
    const int exitCode = form.state().ExitCode != 0 ? form.state().ExitCode : result;
    if (form.state().BatchMode) {
        // Every output is written and closed by now: what is left is the working folder and
        // the instance lock. Taking the window, layers and tables apart piece by piece would
        // only return memory to a process that is ending.
        form.RemoveWorkFolder();
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
