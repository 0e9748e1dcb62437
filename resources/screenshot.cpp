// Makes the README's picture of the main window: the analyzer against
// talvox-sim (TALVOX_PORTS names its terminal) with the simulator's DBC file,
// a small transmit list, one frame sent, the engine message open in the
// signal pane and three of its signals plotted over some 20 s of reception,
// then the window grabbed into a PNG file. Run by scripts/screenshot:
//   talvox-screenshot OUTPUT.png SIMULATOR.dbc
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Startup.h"
#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "dbc/ui/CSignalView.h"
#include "link/ConverterLink.h"
#include "plot/PlotModel.h"
#include "plot/ui/CSignalPlotPane.h"
#include "rxlog/ui/CIdView.h"
#include "sim/EngineData.h"
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

// Opens the signal pane's row of the engine message, at the top of the pane.
void OpenEngineRow(CSignalView& view)
{
    const QAbstractItemModel& model = *view.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, CSignalView::kNameColumn);
        if (index.data().toString() == QStringLiteral("EngineData")) {
            view.expand(index);
            view.scrollTo(index, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // A DBC file that cannot be read would stop on a message box nobody sees.
    if (argc < 3 || !QFileInfo(QString::fromLocal8Bit(argv[2])).isReadable()) {
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString dbcPath = QString::fromLocal8Bit(argv[2]);
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
    frame.resize(1270, 790);
    frame.show();
    frame.FinishStartup(startup.enumerationError);
    frame.LeftView()->LoadTransmitFile(QString::fromStdString(listPath));
    if (!frame.LoadDbcFiles({dbcPath})) {
        return 1;
    }
    CSignalPlotPane& plot = *frame.PlotPane();
    plot.SetWindowSeconds(20.0);
    for (const char* signal : {"EngineSpeed", "CoolantTemp", "Gear"}) {
        plot.AddSignal(PlotSignalKey{kEngineDataId, false, signal});
    }
    // The plot across the whole width below the traffic, the event log in a
    // tab behind it; the signal pane beside the received views.
    QDockWidget* events = frame.findChild<QDockWidget*>("EventLogPane");
    frame.PlotDock()->show();
    frame.tabifyDockWidget(events, frame.PlotDock());
    frame.PlotDock()->raise();
    frame.resizeDocks({frame.PlotDock()}, {290}, Qt::Vertical);
    frame.resizeDocks({frame.SignalPane()}, {540}, Qt::Horizontal);
    frame.findChild<QSplitter*>("MainSplitter")->setSizes({290, 480});
    frame.Execute(kCmdReceptionStart);
    QTimer::singleShot(1500, &frame, [&frame] {
        frame.LeftView()->setCurrentItem(frame.LeftView()->topLevelItem(1));
        frame.Execute(kCmdSendCanData);
    });
    QTimer::singleShot(22000, &frame, [&frame, output] {
        // Show the busiest identifiers, not the ones the scan met once.
        const IdTable& table = frame.IdView()->Table();
        for (size_t row = 0; row < table.RowCount(); ++row) {
            if (!table.RowAt(row).extended && table.RowAt(row).id == 0x100) {
                frame.IdView()->verticalScrollBar()->setValue(static_cast<int>(row) - 1);
                break;
            }
        }
        OpenEngineRow(*frame.SignalView());
        // The open row is decoded at the view's next tick; the columns then
        // take the width of what they show.
        QTimer::singleShot(400, &frame, [&frame, output] {
            frame.SignalView()->header()->resizeSections(QHeaderView::ResizeToContents);
            frame.grab().save(output, "PNG", 0);  // 0: the smallest file
            frame.close();
        });
    });
    return QApplication::exec();
}
