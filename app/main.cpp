// The Talvox Analyzer: finds the serial ports, opens the main window, and
// talks to the converter on the configured port.
#include <csignal>

#include <QApplication>
#include <QDir>

#include "app/StandardDialogs.h"
#include "app/Startup.h"
#include "app/ui/CMainFrame.h"
#include "link/ConverterLink.h"

int main(int argc, char* argv[])
{
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
        result = QApplication::exec();
    }
    link.Close(1);
    return result;
}
