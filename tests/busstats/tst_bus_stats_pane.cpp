// The bus-statistics pane fed with frames and error reports at times the test
// chooses: the figures it shows, the line-load warning, the table by
// identifier and its sorting, clearing, and refreshing only while shown.
#include <chrono>

#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>

#include "busstats/ui/CBusStatsPane.h"
#include "busstats/ui/IdStatsModel.h"
#include "link/CanFrame.h"

namespace {

using Clock = CBusStatsPane::Clock;
using std::chrono::milliseconds;

// On a whole second, so that [kStart, kStart + 1 s) is exactly the window a
// sample at kStart + 1 s reads.
const Clock::time_point kStart{std::chrono::seconds(5000)};

CanFrame Frame(bool extended, bool remote, uint8_t dlc, uint32_t id)
{
    CanFrame frame;
    frame.extended = extended ? 1 : 0;
    frame.remote = remote ? 1 : 0;
    frame.dlc = dlc;
    frame.id = id;
    return frame;
}

QString Figure(const CBusStatsPane& pane, const char* name)
{
    const auto* label = pane.findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("<no label %1>").arg(name);
}

QColor LineLoadColour(const CBusStatsPane& pane)
{
    return pane.findChild<QLabel*>(QStringLiteral("lineLoad"))
        ->palette()
        .color(QPalette::WindowText);
}

QStringList Column(const QTableView& table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        texts << table.model()->index(row, column).data().toString();
    }
    return texts;
}

// count frames of one identifier spread evenly over [kStart, kStart + 1 s).
void FeedEvenly(CBusStatsPane& pane, const CanFrame& frame, int dataBytes, int count)
{
    for (int i = 0; i < count; ++i) {
        pane.Stats().AddFrame(frame, dataBytes, kStart + milliseconds(1000 * i / count));
    }
}

}  // namespace

class BusStatsPaneTest : public QObject {
    Q_OBJECT

private slots:
    void ShowsTheFiguresOfAKnownMix()
    {
        CBusStatsPane pane;
        pane.SetRates(250000, 115200);
        uint64_t dropped = 5;
        pane.SetDroppedBytesSource([&dropped] { return dropped; });
        // In one second: 100 11-bit frames of 8 bytes (111 bits, 135 at worst,
        // 27 characters), 50 29-bit ones of 8 bytes (131, 160, 31) and 10
        // 11-bit remote frames (47, 55, 11).
        FeedEvenly(pane, Frame(false, false, 8, 0x100), 8, 100);
        FeedEvenly(pane, Frame(true, false, 8, 0x18FF0001), 8, 50);
        FeedEvenly(pane, Frame(false, true, 2, 0x200), 0, 10);
        // Five reports of 7 characters: 0x06 is one Error-Passive report, 0
        // names no kind.
        for (const uint8_t code : {0x01, 0x06, 0x18, 0x20, 0x00}) {
            pane.Stats().AddErrorReport(code, kStart + milliseconds(500));
        }
        dropped = 12;
        pane.Refresh(kStart + milliseconds(1000));

        const std::pair<const char*, QString> expected[] = {
            {"framesPerSecond", "160.0"},
            {"standardPerSecond", "110.0"},
            {"extendedPerSecond", "50.0"},
            {"remotePerSecond", "10.0"},
            {"totalFrames", "160"},
            {"bitRate", "250.00 kbit/s"},
            // 18,120 bits and 22,050 at worst of 250,000.
            {"busLoad", "7.2 %"},
            {"busLoadWorst", "8.8 %"},
            {"lineSpeed", "115200 bit/s"},
            // 4,395 characters of 11,520.
            {"lineLoad", "38.2 %"},
            {"droppedBytes", QString::fromUtf8("7 바이트")},
        };
        for (const auto& [name, text] : expected) {
            QCOMPARE(Figure(pane, name), text);
        }
        for (const char* kind : {"busOff", "errorPassive", "warning", "otherErrors"}) {
            QVERIFY2(Figure(pane, kind).startsWith(QString::fromUtf8("1 (마지막 ")),
                     qPrintable(Figure(pane, kind)));
        }

        // The rows by identifier with their share of the 18,120 bits.
        const QTableView& table = *pane.Table();
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), (QStringList{"100", "200", "18FF0001"}));
        QCOMPARE(Column(table, IdStatsModel::kCountColumn), (QStringList{"100", "10", "50"}));
        QCOMPARE(Column(table, IdStatsModel::kMeanPeriodColumn),
                 (QStringList{"10.000", "100.000", "20.000"}));
        QCOMPARE(Column(table, IdStatsModel::kJitterColumn),
                 (QStringList{"0.000", "0.000", "0.000"}));
        QCOMPARE(Column(table, IdStatsModel::kShareColumn),
                 (QStringList{"61.26", "2.59", "36.15"}));

        // A second later the window has passed; the totals stay.
        pane.Refresh(kStart + milliseconds(2100));
        QCOMPARE(Figure(pane, "framesPerSecond"), QStringLiteral("0.0"));
        QCOMPARE(Figure(pane, "busLoad"), QStringLiteral("0.0 %"));
        QCOMPARE(Figure(pane, "totalFrames"), QStringLiteral("160"));
        QCOMPARE(table.model()->rowCount(), 3);
    }

    void LineLoadTurnsToTheWarningColourAboveNinetyPercent()
    {
        CBusStatsPane pane;
        pane.SetRates(250000, 9600);
        const QColor normal = LineLoadColour(pane);
        QVERIFY(normal != QColor(Qt::red));
        // An empty 11-bit frame is 11 characters; the line carries 960 a second.
        const struct {
            int frames;
            const char* load;
            bool warning;
        } cases[] = {{78, "89.4 %", false}, {79, "90.5 %", true}, {0, "0.0 %", false}};
        Clock::time_point start = kStart;
        for (const auto& c : cases) {
            for (int i = 0; i < c.frames; ++i) {
                pane.Stats().AddFrame(Frame(false, false, 0, 0x7FF), 0,
                                      start + milliseconds(1000 * i / c.frames));
            }
            pane.Refresh(start + milliseconds(1000));
            QCOMPARE(Figure(pane, "lineLoad"), QString::fromLatin1(c.load));
            QCOMPARE(LineLoadColour(pane), c.warning ? QColor(Qt::red) : normal);
            start += milliseconds(1100);
        }
    }

    void TableSortsByNumberInEitherColumnAndFollowsNewCounts()
    {
        CBusStatsPane pane;
        pane.SetRates(500000, 115200);
        // 0x123 as 11-bit and 29-bit identifiers are two rows; counts of 9
        // and 10 sort as numbers, not as text.
        const struct {
            bool extended;
            uint32_t id;
            int count;
        } rows[] = {{true, 0x123, 9}, {false, 0x7FF, 10}, {false, 0x123, 2}, {false, 0x5, 30}};
        for (const auto& row : rows) {
            FeedEvenly(pane, Frame(row.extended, false, 4, row.id), 4, row.count);
        }
        pane.Refresh(kStart + milliseconds(1000));
        QTableView& table = *pane.Table();
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"005", "123", "00000123", "7FF"}));

        table.sortByColumn(IdStatsModel::kCountColumn, Qt::DescendingOrder);
        QCOMPARE(Column(table, IdStatsModel::kCountColumn), (QStringList{"30", "10", "9", "2"}));
        // Shortest period first: 1000 / 30, 1000 / 10, 1000 / 9, 1000 / 2 ms.
        table.sortByColumn(IdStatsModel::kMinPeriodColumn, Qt::AscendingOrder);
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"005", "7FF", "00000123", "123"}));

        // New counts for the same identifiers re-sort the shown order; the
        // selected row stays with its identifier.
        table.sortByColumn(IdStatsModel::kCountColumn, Qt::DescendingOrder);
        table.selectRow(1);
        QCOMPARE(table.currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("7FF"));
        for (int i = 0; i < 40; ++i) {
            pane.Stats().AddFrame(Frame(false, false, 4, 0x123), 4,
                                  kStart + milliseconds(1000 + i));
        }
        pane.Refresh(kStart + milliseconds(1100));
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"123", "005", "7FF", "00000123"}));
        QCOMPARE(Column(table, IdStatsModel::kCountColumn), (QStringList{"42", "30", "10", "9"}));
        QCOMPARE(table.currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("7FF"));
        QCOMPARE(table.selectionModel()->selectedRows().value(0).row(), 2);
    }

    void ClearEmptiesTheTableAndEveryFigure()
    {
        CBusStatsPane pane;
        pane.SetRates(250000, 115200);
        uint64_t dropped = 40;
        pane.SetDroppedBytesSource([&dropped] { return dropped; });
        FeedEvenly(pane, Frame(false, false, 8, 0x100), 8, 20);
        pane.Stats().AddErrorReport(0x01, kStart);
        dropped = 50;
        pane.Refresh(kStart + milliseconds(1000));
        QCOMPARE(pane.Table()->model()->rowCount(), 1);
        QCOMPARE(Figure(pane, "droppedBytes"), QString::fromUtf8("10 바이트"));

        pane.Clear();
        QCOMPARE(pane.Table()->model()->rowCount(), 0);
        QCOMPARE(pane.Stats().Identifiers().RowCount(), size_t{0});
        for (const char* name : {"framesPerSecond", "totalFrames", "busOff"}) {
            QVERIFY2(Figure(pane, name).startsWith('0'), name);
        }
        QCOMPARE(Figure(pane, "droppedBytes"), QString::fromUtf8("0 바이트"));
        // Counting goes on from the clear.
        dropped = 53;
        pane.Stats().AddFrame(Frame(false, false, 0, 0x1), 0, kStart + milliseconds(1500));
        pane.Refresh(kStart + milliseconds(2000));
        QCOMPARE(Figure(pane, "totalFrames"), QStringLiteral("1"));
        QCOMPARE(Figure(pane, "droppedBytes"), QString::fromUtf8("3 바이트"));
        QCOMPARE(pane.Table()->model()->rowCount(), 1);
    }

    void RefreshesOnlyWhileShown()
    {
        QWidget window;
        auto* pane = new CBusStatsPane(&window);
        QVERIFY(!pane->IsRefreshing());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(pane->IsRefreshing());
        window.hide();
        QVERIFY(!pane->IsRefreshing());
        window.show();
        pane->hide();
        QVERIFY(!pane->IsRefreshing());
        // Shown again, it picks up what came while hidden.
        pane->AddFrame(Frame(false, false, 1, 0x10), 1);
        pane->show();
        QVERIFY(pane->IsRefreshing());
        QCOMPARE(pane->Shown().totalFrames, uint64_t{1});
    }
};

QTEST_MAIN(BusStatsPaneTest)
#include "tst_bus_stats_pane.moc"
