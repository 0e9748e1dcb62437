// The Talvox Analyzer: finds the serial ports, opens the main window, and
// talks to the converter on the configured port; then opens the files named
// on the command line.
#include <csignal>
#include <cstdio>

#include <QApplication>
#include <QDir>

#include "app/FileArguments.h"
#include "app/StandardDialogs.h"
#include "app/Startup.h"
#include "app/ui/CMainFrame.h"
#include "link/ConverterLink.h"

namespace {

constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char* argv[])
{
    // Help and version are answered before Qt looks for a display, so that
    // they work on a console. Qt's own options are still in argv here, and
    // are taken for files or unknown options, which only the second reading,
    // below, acts on.
    {
        QStringList raw;
        for (int i = 1; i < argc; ++i) {
            raw << QString::fromLocal8Bit(argv[i]);
        }
        const CommandLine early = ParseCommandLine(raw);
        if (early.help) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (early.version) {
            std::fputs("talvox-analyzer " TALVOX_VERSION "\n", stdout);
            return 0;
        }
    }

    // A log file that is a pipe whose reader went away must fail its write
    // (and be reported), not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit must fail a trace or log write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Quorvane");
    QApplication::setApplicationName("Talvox");
    QApplication::setApplicationVersion("1.0");
    QApplication::setDesktopFileName("talvox-analyzer");
    // QApplication has taken its own options (-platform, -style, ...) out.
    const CommandLine commandLine = ParseCommandLine(QApplication::arguments().mid(1));
    if (!commandLine.unknownOption.isEmpty()) {
        std::fprintf(stderr,
                     "talvox-analyzer: unknown option '%s'\nTry 'talvox-analyzer --help'.\n",
                     commandLine.unknownOption.toLocal8Bit().constData());
        return kExitUsage;
    }
    if (!UseKoreanStandardDialogs(app)) {
        qWarning(
            "Qt's Korean translations (qtbase_ko.qm) were not found: Qt's own dialogs "
            "speak English");
    }

    const StartupContext startup = PrepareStartup(QDir::currentPath().toStdString());

    // The link exists before the window and outlives it.
    CConverterLink link;
    int result = 0;
    {
        CMainFrame frame(link, startup.logDirectory);
        frame.show();
        frame.FinishStartup(startup.enumerationError);
        frame.OpenFiles(commandLine.files);
        result = QApplication::exec();
    }
    link.Close(1);
    return result;
}
