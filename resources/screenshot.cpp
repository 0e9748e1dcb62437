// Makes the README's picture of the main window: the analyzer against
// talvox-sim (TALVOX_PORTS names its terminal), a small transmit list, one
// frame sent, reception on for a few seconds, then the window grabbed into a
// PNG file. Run by scripts/screenshot.
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Startup.h"
#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "link/ConverterLink.h"
#include "rxlog/ui/CIdView.h"
#include "txlist/TDataEntry.h"
#include "txlist/TransmitFile.h"
#include "txlist/ui/CLeftView.h"

namespace {

TDataEntry Entry(uint32_t standard, uint32_t dataFrame, uint8_t dlc, uint32_t id, uint32_t high,
                 uint32_t low)
{
    TDataEntry entry;
    entry.standard = standard;
    entry.dataFrame = dataFrame;
    entry.hexInput = 1;
    entry.dlc = dlc;
    entry.id = id;
    entry.dataHigh = high;
    entry.dataLow = low;
    return entry;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir work;
    const StartupContext startup = PrepareStartup(work.path().toStdString());

    CTDataObject list;
    for (const TDataEntry& entry :
         {Entry(1, 1, 2, 0x123, 0x11220000, 0), Entry(0, 1, 8, 0x18FF50E5, 0x0102A0B0, 0x0C0D0E0F),
          Entry(1, 0, 0, 0x7DF, 0, 0), Entry(0, 1, 4, 0x0CF00400, 0xF0FF7D00, 0)}) {
        auto copy = std::make_unique<TDataEntry>(entry);
        list.AddEntry(copy);
    }
    const std::string listPath = work.filePath("bench.ctd").toStdString();
    WriteTransmitFile(listPath, list);

    CConverterLink link;
    CMainFrame frame(link, startup.logDirectory);
    frame.resize(1180, 760);
    frame.show();
    frame.resizeDocks({frame.findChild<QDockWidget*>("EventLogPane")}, {150}, Qt::Vertical);
    frame.FinishStartup(startup.enumerationError);
    frame.LeftView()->LoadTransmitFile(QString::fromStdString(listPath));
    frame.Execute(kCmdReceptionStart);
    QTimer::singleShot(1500, &frame, [&frame] {
        frame.LeftView()->setCurrentItem(frame.LeftView()->topLevelItem(1));
        frame.Execute(kCmdSendCanData);
    });
    QTimer::singleShot(5500, &frame, [&frame, output] {
        // Show the busiest identifiers, not the ones the scan met once.
        const IdTable& table = frame.IdView()->Table();
        for (size_t row = 0; row < table.RowCount(); ++row) {
            if (!table.RowAt(row).extended && table.RowAt(row).id == 0x100) {
                frame.IdView()->verticalScrollBar()->setValue(static_cast<int>(row) - 1);
                break;
            }
        }
        QTimer::singleShot(300, &frame, [&frame, output] {
            frame.grab().save(output);
            frame.close();
        });
    });
    return QApplication::exec();
}
