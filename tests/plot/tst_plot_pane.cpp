// The signal plot pane on its own: signals from a database and the frame rate,
// live and held ranges, the cursor read-out, a trace, drops, database changes
// and the two exports.
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QMimeData>
#include <QSignalSpy>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

#include "dbc/ui/DbcHeaders.h"
#include "link/CanFrame.h"
#include "plot/PlotCsv.h"
#include "plot/PlotReadout.h"
#include "plot/PlotSettings.h"
#include "plot/ui/CSignalPlotPane.h"
#include "tests/common/ScriptedPrompts.h"
#include "tests/dbc/DbcTestFiles.h"
#include "trace/Trace.h"

namespace {

using Clock = CSignalPlotPane::Clock;

const PlotSignalKey kSpeed{0x123, false, "EngineSpeed"};
const PlotSignalKey kGear{0x123, false, "Gear"};
const PlotSignalKey kCounter{0x18F004FF, true, "Counter"};

DbcDatabase Database(const char* text)
{
    DbcParseResult parsed = ParseDbcText(text);
    DbcDatabase database;
    database.Add(std::move(parsed.file));
    return database;
}

// EngineData with the speed in rpm (big-endian, 0.25 a bit) and the gear.
CanFrame Engine(double rpm, uint8_t gear)
{
    CanFrame frame{};
    frame.id = 0x123;
    frame.dlc = 8;
    const auto raw = static_cast<uint16_t>(rpm / 0.25);
    frame.data[0] = static_cast<uint8_t>(raw >> 8);
    frame.data[1] = static_cast<uint8_t>(raw);
    frame.data[2] = gear;
    return frame;
}

TraceRecord EngineRecord(int64_t timeUs, double rpm, uint8_t gear)
{
    const CanFrame frame = Engine(rpm, gear);
    TraceRecord record{};
    record.timeUs = timeUs;
    record.id = frame.id;
    record.dlc = frame.dlc;
    std::copy(std::begin(frame.data), std::end(frame.data), std::begin(record.data));
    return record;
}

}  // namespace

class PlotPaneTest : public QObject {
    Q_OBJECT

private slots:
    // Each test gets a pane looking signals up in the engine file.
    void init()
    {
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_database = Database(kEngineDbc);
        m_pane = std::make_unique<CSignalPlotPane>(*m_prompts);
        m_pane->SetDatabase(&m_database);
    }
    void cleanup() { m_pane.reset(); }

    // Signals found in the database and the frame rate are added once each,
    // with a legend entry and a value axis each unless shared; removal and
    // RemoveAll tell the owner.
    void SignalsComeAndGo()
    {
        CSignalPlotPane& pane = *m_pane;
        QSignalSpy chosen(&pane, &CSignalPlotPane::ChosenChanged);
        pane.SetDatabase(nullptr);
        QVERIFY(!pane.AddSignal(kSpeed));
        pane.SetDatabase(&m_database);
        QVERIFY(!pane.AddSignal(FrameRateKey()));  // no source yet
        pane.SetFrameRateSource([] { return 1234.0; });
        QVERIFY(pane.AddSignal(kSpeed));
        QVERIFY(pane.AddSignal(kGear));
        QVERIFY(pane.AddSignal(kCounter));
        QVERIFY(pane.AddSignal(FrameRateKey()));
        QVERIFY(!pane.AddSignal(kSpeed));
        QVERIFY(!pane.AddSignal(PlotSignalKey{0x123, false, "Nothing"}));
        QVERIFY(!pane.AddSignal(PlotSignalKey{0x124, false, "Gear"}));
        QCOMPARE(chosen.count(), 4);

        QCustomPlot& plot = *pane.Plot();
        QCOMPARE(plot.graphCount(), 4);
        QCOMPARE(plot.graph(0)->name(), QStringLiteral("EngineData.EngineSpeed [rpm]"));
        QCOMPARE(plot.graph(1)->name(), QStringLiteral("EngineData.Gear"));
        QCOMPARE(plot.graph(3)->name(), QString::fromUtf8("버스.초당 프레임 [frame/s]"));
        QCOMPARE(pane.Model().Signal(1).mode, PlotDrawMode::kStep);
        QCOMPARE(plot.axisRect()->axes(QCPAxis::atLeft).size(), 4);
        QVERIFY(plot.graph(1)->valueAxis() != plot.graph(0)->valueAxis());
        pane.SetSharedY(true);
        QCOMPARE(plot.axisRect()->axes(QCPAxis::atLeft).size(), 1);
        QCOMPARE(plot.graph(3)->valueAxis(), plot.yAxis);

        // The points kept per signal, asked as the context menu does.
        m_prompts->dialogScripts = {[](QDialog& dialog) {
            auto& input = static_cast<QInputDialog&>(dialog);
            input.setIntValue(input.intMinimum() - 1);  // held to the range
            return QDialog::Accepted;
        }};
        pane.AskPointsPerSignal();
        QCOMPARE(pane.Model().Signal(2).series.Capacity(), PlotSettings::kMinPointsPerSignal);
        QCOMPARE(pane.Settings().pointsPerSignal, PlotSettings::kMinPointsPerSignal);

        QVERIFY(pane.RemoveSignal(kGear));
        QVERIFY(!pane.RemoveSignal(kGear));
        QCOMPARE(plot.graphCount(), 3);
        QCOMPARE(plot.graph(1)->name(), QStringLiteral("Extended.Counter"));
        pane.RemoveAll();
        QCOMPARE(plot.graphCount(), 0);
        QCOMPARE(chosen.count(), 6);
    }

    // Live, the range follows the clock and a million points reach the plot
    // decimated to its width; pausing or moving the range holds it, with
    // points still arriving; un-pausing follows again.
    void LiveAndHeldRanges()
    {
        CSignalPlotPane& pane = *m_pane;
        pane.resize(800, 400);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QVERIFY(pane.AddSignal(kSpeed));
        pane.SetWindowSeconds(10.0);
        const Clock::time_point start = Clock::now() - std::chrono::seconds(8);
        constexpr int kFrames = 1'000'000;
        for (int i = 0; i < kFrames; ++i) {
            pane.FeedFrame(start + std::chrono::microseconds(i * 7), Engine((i % 1000) * 4.0, 0));
        }
        QCOMPARE(pane.Model().Signal(0).series.Size(), size_t{kFrames});
        pane.Refresh();
        const int width = pane.Plot()->axisRect()->width();
        const int drawn = pane.Plot()->graph(0)->data()->size();
        QVERIFY2(drawn > width && drawn <= kMaxPointsPerColumn * width + 2,
                 qPrintable(QStringLiteral("%1 points for %2 px").arg(drawn).arg(width)));
        const PlotRange live = pane.ShownRange();
        QCOMPARE(live.high - live.low, 10.0);
        QVERIFY(!pane.IsHeld());

        pane.SetPaused(true);
        QVERIFY(pane.IsHeld());
        const PlotRange held = pane.ShownRange();
        pane.FeedFrame(Engine(100.0, 0));
        const uint64_t draws = pane.DrawCount();
        pane.Refresh();
        QCOMPARE(pane.ShownRange(), held);
        QCOMPARE(pane.DrawCount(), draws);  // nothing moved: not drawn again
        // The oldest point made room.
        QCOMPARE(pane.Model().Signal(0).series.Size(), size_t{kFrames});
        QCOMPARE(pane.Model().Signal(0).series.Back().v, 100.0);

        // As a drag or the wheel does: held at the new range, drawn anew.
        pane.SetPaused(false);
        pane.ShowRange(-5.0, -4.0);
        QVERIFY(pane.IsHeld());
        QCOMPARE(pane.ShownRange(), (PlotRange{-5.0, -4.0}));
        QCOMPARE(pane.Plot()->xAxis->range().lower, -5.0);
        // The window keeps the end of a held range.
        pane.SetWindowSeconds(0.5);
        QCOMPARE(pane.ShownRange(), (PlotRange{-4.5, -4.0}));
        // The keys move and zoom as the mouse does; End follows again.
        QTest::keyClick(pane.Plot(), Qt::Key_Right);
        QCOMPARE(pane.ShownRange(), (PlotRange{-4.45, -3.95}));
        QTest::keyClick(pane.Plot(), Qt::Key_Minus);
        QCOMPARE(pane.ShownRange(), (PlotRange{-4.7, -3.7}));
        QTest::keyClick(pane.Plot(), Qt::Key_Plus);
        QCOMPARE(pane.ShownRange(), (PlotRange{-4.45, -3.95}));
        QTest::keyClick(pane.Plot(), Qt::Key_End);
        QVERIFY(!pane.IsHeld());
    }

    // The read-out names the time and each signal's value holding there,
    // with the value table's text.
    void CursorReadout()
    {
        CSignalPlotPane& pane = *m_pane;
        QVERIFY(pane.AddSignal(kSpeed));
        QVERIFY(pane.AddSignal(kGear));
        Trace trace;
        trace.records = {EngineRecord(5'000'000, 2500.0, 2), EngineRecord(6'000'000, 1000.0, 1)};
        pane.ShowTrace(std::make_shared<const Trace>(trace));
        pane.SetCursorTime(0.5);
        QCOMPARE(pane.ReadoutText(),
                 QString::fromUtf8("0.500000 s   EngineData.EngineSpeed [rpm] = 2500.00   "
                                   "EngineData.Gear = 2 (Drive)"));
        pane.SetCursorTime(-1.0);
        QCOMPARE(pane.ReadoutText(),
                 QString::fromUtf8("-1.000000 s   EngineData.EngineSpeed [rpm] = -   "
                                   "EngineData.Gear = -"));
        pane.SetCursorTime(std::nullopt);
        QVERIFY(!pane.ReadoutText().contains(QStringLiteral("EngineData")));
    }

    // A trace shows whole against its own time; signals added later are
    // filled from it; live frames do not mix in; leaving it starts empty.
    void TraceThenLive()
    {
        CSignalPlotPane& pane = *m_pane;
        QVERIFY(pane.AddSignal(kSpeed));
        Trace trace;
        for (int i = 0; i < 100; ++i) {
            trace.records.push_back(EngineRecord(1'000'000 + i * 20'000, i * 10.0, i % 3));
        }
        pane.ShowTrace(std::make_shared<const Trace>(trace));
        QVERIFY(pane.ShowsTrace());
        QVERIFY(pane.IsHeld());
        QCOMPARE(pane.ShownRange().low, 0.0);
        QVERIFY(pane.ShownRange().high >= 1.98);
        QCOMPARE(pane.Model().Signal(0).series.Back(), (PlotPoint{1.98, 990.0}));
        QVERIFY(pane.AddSignal(kGear));
        QCOMPARE(pane.Model().Signal(1).series.Size(), size_t{100});
        pane.FeedFrame(Engine(5.0, 1));
        QCOMPARE(pane.Model().Signal(0).series.Size(), size_t{100});

        pane.ShowLive();
        QVERIFY(!pane.ShowsTrace());
        QVERIFY(!pane.IsHeld());
        QVERIFY(pane.Model().Signal(0).series.Empty());
        pane.FeedFrame(Engine(5.0, 1));
        QCOMPARE(pane.Model().Signal(0).series.Size(), size_t{1});
    }

    // Signals dropped on the plot are added; text that names none is not.
    void DroppedSignals()
    {
        CSignalPlotPane& pane = *m_pane;
        QMimeData data;
        data.setData(QString::fromLatin1(kPlotSignalsMimeType),
                     "0x123/Gear\nrubbish\n0x18F004FF/Counter\n0x123/Gear");
        QVERIFY(pane.AddDropped(data));
        QVERIFY(!pane.AddDropped(data));
        QCOMPARE(pane.Settings().chosen, (std::vector<PlotSignalKey>{kGear, kCounter}));
    }

    // A changed database takes away the signals it lost and empties those
    // whose decoding changed; the others keep their points.
    void DatabaseChanges()
    {
        CSignalPlotPane& pane = *m_pane;
        DbcDatabase& database = m_database;
        QVERIFY(pane.AddSignal(kSpeed));
        QVERIFY(pane.AddSignal(kGear));
        QVERIFY(pane.AddSignal(kCounter));
        pane.FeedFrame(Engine(2500.0, 2));
        QSignalSpy chosen(&pane, &CSignalPlotPane::ChosenChanged);

        // Gear moves to other bits; Counter's message is gone.
        database.Clear();
        database.Add(ParseDbcText("BO_ 291 EngineData: 8 Engine\n"
                                  " SG_ EngineSpeed : 7|16@0+ (0.25,0) [0|16000] \"rpm\" X\n"
                                  " SG_ Gear : 20|4@1+ (1,0) [0|7] \"\" X\n")
                         .file);
        pane.DatabaseChanged();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(pane.Settings().chosen, (std::vector<PlotSignalKey>{kSpeed, kGear}));
        QCOMPARE(pane.Model().Signal(0).series.Size(), size_t{1});
        QVERIFY(pane.Model().Signal(1).series.Empty());
        QCOMPARE(pane.Model().Signal(1).mode, PlotDrawMode::kLine);  // no value table now
    }

    // The CSV holds exactly the model's points; the PNG is the plot's
    // picture; a file that cannot be written is said and gives false; an
    // existing file is replaced only when the user agrees.
    void Exports()
    {
        CSignalPlotPane& pane = *m_pane;
        pane.resize(640, 360);
        QVERIFY(pane.AddSignal(kSpeed));
        Trace trace;
        trace.records = {EngineRecord(0, 100.0, 0), EngineRecord(10'000, 200.0, 0)};
        pane.ShowTrace(std::make_shared<const Trace>(trace));
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("plot.csv"));
        QVERIFY(pane.ExportCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), PlotCsv(pane.Model()));
        const QString png = dir.filePath(QStringLiteral("plot.png"));
        QVERIFY(pane.ExportPng(png));
        const QImage image(png);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), pane.Plot()->size());

        const QString nowhere = dir.filePath(QStringLiteral("missing/plot.csv"));
        QVERIFY(!pane.ExportCsv(nowhere));
        QVERIFY(!pane.ExportPng(dir.filePath(QStringLiteral("missing/plot.png"))));
        ScriptedPrompts& prompts = *m_prompts;
        QCOMPARE(prompts.stops.size(), 2);
        QVERIFY(prompts.stops[0].startsWith(nowhere + QString::fromUtf8(" 파일에 그래프 값을")));

        // Through the buttons' path: an existing file, the user says no.
        prompts.fileNames = {csv};
        prompts.answers = {false};
        QVERIFY(QFile::resize(csv, 0));
        pane.findChild<QToolButton*>(QStringLiteral("PlotCsvButton"))->click();
        QCOMPARE(prompts.questions.size(), 1);
        QCOMPARE(QFileInfo(csv).size(), 0);
    }

private:
    std::unique_ptr<ScriptedPrompts> m_prompts;
    DbcDatabase m_database;
    std::unique_ptr<CSignalPlotPane> m_pane;
};

QTEST_MAIN(PlotPaneTest)
#include "tst_plot_pane.moc"
