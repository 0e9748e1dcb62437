// The Talvox Analyzer: finds the serial ports, opens the main window, and
// talks to the converter on the configured port.
#include <csignal>
#include <string>

#include <QApplication>
#include <QDir>

#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"

int main(int argc, char* argv[])
{
    // A log file that is a pipe whose reader went away must fail its write
    // (and be reported), not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Quorvane");
    QApplication::setApplicationName("Talvox");

    const std::string workingDirectory = QDir::currentPath().toStdString();
    const std::string logDirectory = workingDirectory + "/Log";
    QDir().mkpath(QString::fromStdString(logDirectory));

    const std::string enumerationError = BuildPortNameList();

    CConverterLink link;
    int result = 0;
    {
        CMainFrame frame(link, logDirectory);
        frame.show();
        if (!enumerationError.empty()) {
            WriteEventLine(enumerationError, kColourRed);
        }
        frame.FinishStartup();
        result = QApplication::exec();
    }
    link.Close(1);
    return result;
}
