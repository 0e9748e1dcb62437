// The bus-statistics pane fed at times the test chooses: the figures it shows,
// the line-load warning, sorting, clearing, refreshing only while shown.
#include <QLabel>
#include <QTableView>
#include <QtTest>

#include "busstats/ui/CBusStatsPane.h"
#include "busstats/ui/IdStatsModel.h"
#include "link/CanFrame.h"

namespace {

using std::chrono::milliseconds;

// On a whole second: a sample at kStart + 1 s reads exactly [kStart, kStart + 1 s).
// Earlier than the clock now, as times of a machine that has been up a while.
const CBusStatsPane::Clock::time_point kStart{std::chrono::seconds(60)};

QString Figure(const CBusStatsPane& pane, const char* name)
{
    return pane.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QColor LineLoadColour(const CBusStatsPane& pane)
{
    return pane.findChild<QLabel*>("lineLoad")->palette().color(QPalette::WindowText);
}

QStringList Column(const QTableView& table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        texts << table.model()->index(row, column).data().toString();
    }
    return texts;
}

// count frames spread evenly over the second from start.
void Feed(CBusStatsPane& pane, bool extended, bool remote, uint8_t dlc, uint32_t id, int count,
          CBusStatsPane::Clock::time_point start = kStart)
{
    const CanFrame frame{extended ? 1u : 0u, remote ? 1u : 0u, dlc, id, {}};
    for (int i = 0; i < count; ++i) {
        pane.Stats().AddFrame(frame, remote ? 0 : dlc, start + milliseconds(1000 * i / count));
    }
}

}  // namespace

class BusStatsPaneTest : public QObject {
    Q_OBJECT

private slots:
    void ShowsTheFiguresOfAKnownMixUntilCleared()
    {
        CBusStatsPane pane;
        pane.SetRates(250000, 115200);
        uint64_t dropped = 5;
        pane.SetDroppedBytesSource([&dropped] { return dropped; });
        // 100 11-bit frames of 8 bytes (111 bits, 135 at worst, 27 characters),
        // 50 29-bit ones (131, 160, 31), 10 11-bit remote frames (47, 55, 11),
        // and five reports of 7 characters (0x06 is one Error-Passive, 0 none).
        Feed(pane, false, false, 8, 0x100, 100);
        Feed(pane, true, false, 8, 0x18FF0001, 50);
        Feed(pane, false, true, 2, 0x200, 10);
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
            {"busLoad", "7.2 %"},       // 18,120 bits of 250,000
            {"busLoadWorst", "8.8 %"},  // 22,050
            {"lineLoad", "38.2 %"},     // 4,395 characters of 11,520
            {"droppedBytes", QString::fromUtf8("7 바이트")},
        };
        for (const auto& [name, text] : expected) {
            QCOMPARE(Figure(pane, name), text);
        }
        for (const char* kind : {"busOff", "errorPassive", "warning", "otherErrors"}) {
            QVERIFY2(Figure(pane, kind).startsWith(QString::fromUtf8("1 (마지막 ")), kind);
        }
        const QTableView& table = *pane.Table();
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), (QStringList{"100", "200", "18FF0001"}));
        QCOMPARE(Column(table, IdStatsModel::kMeanPeriodColumn),
                 (QStringList{"10.000", "100.000", "20.000"}));
        QCOMPARE(Column(table, IdStatsModel::kShareColumn),
                 (QStringList{"61.26", "2.59", "36.15"}));

        pane.Clear();
        QCOMPARE(table.model()->rowCount(), 0);
        for (const char* name : {"framesPerSecond", "totalFrames", "busOff", "droppedBytes"}) {
            QVERIFY2(Figure(pane, name).startsWith('0'), name);
        }
    }

    void LineLoadTurnsToTheWarningColourAboveNinetyPercent()
    {
        CBusStatsPane pane;
        pane.SetRates(250000, 9600);  // 960 characters a second
        const QColor normal = LineLoadColour(pane);
        // Empty 11-bit frames of 11 characters; the warning goes when the load drops.
        const struct {
            int frames;
            const char* load;
            bool warning;
        } cases[] = {{78, "89.4 %", false}, {79, "90.5 %", true}, {0, "0.0 %", false}};
        auto start = kStart;
        for (const auto& c : cases) {
            Feed(pane, false, false, 0, 0x7FF, c.frames, start);
            pane.Refresh(start + milliseconds(1000));
            QCOMPARE(Figure(pane, "lineLoad"), QString::fromLatin1(c.load));
            QCOMPARE(LineLoadColour(pane), c.warning ? QColor(Qt::red) : normal);
            start += milliseconds(1100);
        }
        QVERIFY(normal != QColor(Qt::red));
    }

    void TableSortsNumbersAndKeepsTheSelectionWithItsIdentifier()
    {
        CBusStatsPane pane;
        // 0x123 as 11-bit and as 29-bit identifier are two rows; counts of 9
        // and 10 sort as numbers, not as texts.
        Feed(pane, true, false, 4, 0x123, 9);
        Feed(pane, false, false, 4, 0x7FF, 10);
        Feed(pane, false, false, 4, 0x123, 2);
        Feed(pane, false, false, 4, 0x5, 30);
        pane.Refresh(kStart + milliseconds(1000));
        QTableView& table = *pane.Table();
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"005", "123", "00000123", "7FF"}));
        table.sortByColumn(IdStatsModel::kMinPeriodColumn, Qt::AscendingOrder);
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"005", "7FF", "00000123", "123"}));
        table.sortByColumn(IdStatsModel::kCountColumn, Qt::DescendingOrder);
        QCOMPARE(Column(table, IdStatsModel::kCountColumn), (QStringList{"30", "10", "9", "2"}));

        // New counts re-sort the rows at the next refresh.
        table.selectRow(1);
        Feed(pane, false, false, 4, 0x123, 40, kStart + milliseconds(1000));
        pane.Refresh(kStart + milliseconds(2000));
        QCOMPARE(Column(table, IdStatsModel::kIdColumn),
                 (QStringList{"123", "005", "7FF", "00000123"}));
        QCOMPARE(table.selectionModel()->selectedRows().value(0).data().toString(),
                 QStringLiteral("7FF"));
    }

    void FigureLabelsKeepTheirSizeAndFitTheWidestTexts()
    {
        CBusStatsPane pane;
        pane.SetRates(1000000, 4000000);
        pane.SetDroppedBytesSource([] { return uint64_t{12345678901234567890u}; });
        Feed(pane, true, false, 8, 0x18FF0001, 100000);
        for (int i = 0; i < 100000; ++i) {
            pane.Stats().AddErrorReport(0x01, kStart + milliseconds(500));
        }
        pane.Refresh(kStart + milliseconds(1000));
        const QList<QLabel*> labels = pane.findChildren<QLabel*>();
        int values = 0;
        for (const QLabel* label : labels) {
            if (label->objectName().isEmpty()) {
                continue;
            }
            ++values;
            // A fixed size keeps a new text from laying out the window again.
            QCOMPARE(label->minimumSize(), label->maximumSize());
            QVERIFY2(label->sizeHint().width() <= label->width(),
                     qPrintable(label->objectName() + ": " + label->text()));
        }
        QCOMPARE(values, 15);
    }

    void TableTakesNewRowsOnceASecondAndAtOnceAfterClear()
    {
        CBusStatsPane pane;
        Feed(pane, false, false, 8, 0x100, 10);
        pane.Refresh(kStart + milliseconds(1000));
        const QTableView& table = *pane.Table();
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), QStringList{"100"});

        // Figure refreshes in between leave the table as it was.
        Feed(pane, false, false, 8, 0x200, 10, kStart + milliseconds(1000));
        pane.Refresh(kStart + milliseconds(1250));
        QCOMPARE(pane.Shown().totalFrames, uint64_t{20});
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), QStringList{"100"});
        pane.Refresh(kStart + milliseconds(1999));
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), QStringList{"100"});
        pane.Refresh(kStart + milliseconds(2000));
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), (QStringList{"100", "200"}));

        // After a clear the first refresh fills the table again.
        pane.Clear();
        Feed(pane, false, false, 8, 0x300, 10, kStart + milliseconds(2000));
        pane.Refresh(kStart + milliseconds(2250));
        QCOMPARE(Column(table, IdStatsModel::kIdColumn), QStringList{"300"});
    }

    void RefreshesOnlyWhileShown()
    {
        QWidget window;
        auto* pane = new CBusStatsPane(&window);
        QVERIFY(!pane->IsRefreshing());
        window.show();
        QVERIFY(pane->IsRefreshing());
        window.hide();
        QVERIFY(!pane->IsRefreshing());
        // Shown again, it picks up what came while hidden.
        pane->AddFrame(CanFrame{}, 0);
        window.show();
        QVERIFY(pane->IsRefreshing());
        QCOMPARE(pane->Shown().totalFrames, uint64_t{1});
    }
};

QTEST_MAIN(BusStatsPaneTest)
#include "tst_bus_stats_pane.moc"
