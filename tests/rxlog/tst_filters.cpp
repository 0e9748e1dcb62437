// Display filters above the two received-traffic views: what each view shows
// and counts, what still reaches the log, a text that does not parse, and the
// texts kept across a restart. Settings live in a temporary XDG_CONFIG_HOME.
#include <memory>
#include <string>
#include <vector>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "link/FrameCodec.h"
#include "link/FrameLayout.h"
#include "link/ResponseText.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "rxlog/ui/FilterLine.h"
#include "tests/common/TempProfile.h"
#include "tests/common/WindowSession.h"
#include "tests/link/PtyPair.h"

namespace {

constexpr int kTimeoutMs = 20000;

CanFrame Frame(bool extended, uint32_t id, uint8_t first = 0)
{
    CanFrame frame;
    frame.extended = extended ? 1 : 0;
    frame.id = id;
    frame.dlc = 1;
    frame.data[0] = first;
    return frame;
}

QStringList Lines(const CRDataList& list)
{
    QStringList lines;
    for (int i = 0; i < list.LineCount(); ++i) {
        lines << QString::fromStdString(list.LineText(i));
    }
    return lines;
}

// The identifiers of the by-identifier view's rows as shown, 29-bit ones with an "x".
QStringList ShownIds(const CIdView& view)
{
    QStringList ids;
    for (size_t i = 0; i < view.ShownRowCount(); ++i) {
        const IdTable::Row& row = view.ShownRow(i);
        ids << QString::number(row.id, 16).toUpper() + (row.extended ? "x" : "");
    }
    return ids;
}

QString Counts(quint64 shown, quint64 received)
{
    return QString::fromUtf8("표시 %1 / 수신 %2").arg(shown).arg(received);
}

bool IsRed(const FilterLine& line)
{
    return line.Edit()->palette().color(QPalette::Base) == QColor(QRgb(kInvalidFilterBase));
}

}  // namespace

class FiltersTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TempProfile>();
        QVERIFY(m_profile->Ok());
    }

    // Frames from the converter through the link: each view shows exactly the
    // frames its own filter lets through, while the received-data log, the
    // by-identifier table and the received counts get every frame.
    void EachViewShowsItsMatchesWhileTheLogGetsEveryFrame()
    {
        PtyPair converter;
        QVERIFY(converter.Ok());
        WindowSession s(QByteArray::fromStdString(converter.SlavePath()));
        CMainFrame& frame = s.Start();
        QVERIFY(s.link.IsOpen());
        FilterLine& listFilter = *frame.ReceivedDataView()->Filter();
        FilterLine& idFilter = *frame.IdFilter();
        listFilter.SetText(QStringLiteral("123, 18FEF100:1FFFFFFF"));
        idFilter.SetText(QStringLiteral("~100-1FF"));
        QVERIFY(listFilter.IsValid() && idFilter.IsValid());
        frame.Execute(kCmdReceivedDataLogStart);
        QVERIFY(IsLogging(kReceivedDataLog));

        const std::vector<CanFrame> sent = {
            Frame(false, 0x123, 1), Frame(false, 0x124),     Frame(true, 0x123),
            Frame(false, 0x200),    Frame(true, 0x18FEF100), Frame(false, 0x123, 2),
            Frame(false, 0x1FF),    Frame(true, 0x18FEF101),
        };
        std::string bytes = ":G01A8\r";  // reception on
        for (const CanFrame& can : sent) {
            bytes += BuildFrame(CanFrameBody('U', can));
        }
        QVERIFY(converter.Send(bytes));
        CIdView& idView = *frame.IdView();
        QTRY_COMPARE_WITH_TIMEOUT(idView.FramesReceived(), quint64{sent.size()}, kTimeoutMs);
        frame.Execute(kCmdReceivedDataLogStop);

        const CRDataList& list = *frame.ReceivedDataView()->List();
        QCOMPARE(Lines(list), (QStringList{QString::fromStdString(ReceivedLine(sent[0], 1)),
                                           QString::fromStdString(ReceivedLine(sent[4], 1)),
                                           QString::fromStdString(ReceivedLine(sent[5], 1))}));
        QCOMPARE(list.FramesReceived(), quint64{sent.size()});
        QCOMPARE(list.FramesShown(), quint64{3});
        // 29-bit frames are of the other width: the inverted range shows them.
        QCOMPARE(ShownIds(idView), (QStringList{"123x", "200", "18FEF100x", "18FEF101x"}));
        QCOMPARE(idView.Table().RowCount(), size_t{7});
        QCOMPARE(idView.FramesShown(), quint64{4});
        QTRY_COMPARE_WITH_TIMEOUT(listFilter.CountLabel()->text(), Counts(3, 8), kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(idFilter.CountLabel()->text(), Counts(4, 8), kTimeoutMs);

        QFile log(QString::fromStdString(LogPath(kReceivedDataLog)));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QList<QByteArray> logged = log.readAll().split('\n');
        QCOMPARE(logged.size(), static_cast<qsizetype>(sent.size() + 1));
        for (QByteArray& line : logged) {
            line += '\n';  // as the expected text ends
        }
        for (size_t i = 0; i < sent.size(); ++i) {
            QVERIFY2(logged[static_cast<qsizetype>(i)].endsWith(QByteArray::fromStdString(
                         EncodeLogText("  " + ReceivedLine(sent[i], 1) + "\n"))),
                     logged[static_cast<qsizetype>(i)].constData());
        }

        // Clearing resets both views' counts.
        frame.Execute(kCmdClearReceivedData);
        QTRY_COMPARE_WITH_TIMEOUT(listFilter.CountLabel()->text(), Counts(0, 0), kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(idFilter.CountLabel()->text(), Counts(0, 0), kTimeoutMs);
    }

    // A text that does not parse turns the line red with the fault as its tool
    // tip, and the filter typed before it goes on choosing the lines.
    void TextThatDoesNotParseKeepsTheFilterInForce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("mask missing") << QStringLiteral("123:");
        QTest::newRow("not hexadecimal") << QStringLiteral("12G");
        QTest::newRow("reversed range") << QStringLiteral("1FF-100");
        QTest::newRow("empty item") << QStringLiteral("123,,456");
        QTest::newRow("too large") << QStringLiteral("20000000");
    }
    void TextThatDoesNotParseKeepsTheFilterInForce()
    {
        QFETCH(QString, text);
        FilterLine line(QStringLiteral("filter"));
        CRDataList list;
        BindFilterLine(line, list);
        line.SetText(QStringLiteral("123"));
        QVERIFY(!IsRed(line));
        QVERIFY(line.Edit()->toolTip().isEmpty());

        line.Edit()->setText(text);
        FilterError error;
        QVERIFY(!DisplayFilter::Parse(text.toStdString(), &error));
        QVERIFY(!line.IsValid());
        QVERIFY(IsRed(line));
        QCOMPARE(line.Edit()->toolTip(), QString::fromStdString(error.message));
        list.AddReceivedFrameLine("a", false, 0x123);
        list.AddReceivedFrameLine("b", false, 0x456);
        list.AddReceivedFrameLine("c", true, 0x123);
        QCOMPARE(Lines(list), QStringList{"a"});

        // Mended, the new filter takes over and the colour goes.
        line.Edit()->setText(QStringLiteral("456"));
        QVERIFY(line.IsValid());
        QVERIFY(!IsRed(line));
        QVERIFY(line.Edit()->toolTip().isEmpty());
        list.AddReceivedFrameLine("d", false, 0x123);
        list.AddReceivedFrameLine("e", false, 0x456);
        QCOMPARE(Lines(list), (QStringList{"a", "e"}));
    }

    // The by-identifier view hides rows, not frames: a row hidden while its
    // frames came shows all of them once the filter lets it through, and
    // copying takes only the rows shown.
    void HiddenRowsKeepCountingAndComeBackWhole()
    {
        FilterLine line(QStringLiteral("filter"));
        CIdView view;
        BindFilterLine(line, view);
        line.SetText(QStringLiteral("100-1FF"));
        const uint8_t data[1] = {7};
        for (int i = 0; i < 3; ++i) {
            view.AddFrame(false, 0x150, false, 1, data, 1);
            view.AddFrame(false, 0x250, false, 1, data, 1);
        }
        view.AddFrame(true, 0x150, false, 1, data, 1);
        QCOMPARE(ShownIds(view), QStringList{"150"});
        QCOMPARE(view.AccessibleRowCount(), 1);
        QCOMPARE(view.CopyText(-1).count('\n'), 1);  // the header and one row
        QTRY_COMPARE_WITH_TIMEOUT(line.CountLabel()->text(), Counts(3, 7), kTimeoutMs);

        line.SetText(QString());
        QCOMPARE(ShownIds(view), (QStringList{"150", "150x", "250"}));
        QCOMPARE(view.ShownRow(2).count, uint64_t{3});
        // The counts are of frames as they came, not of the filter now.
        QCOMPARE(view.FramesShown(), quint64{3});

        view.Clear();
        QCOMPARE(view.ShownRowCount(), size_t{0});
        QTRY_COMPARE_WITH_TIMEOUT(line.CountLabel()->text(), Counts(0, 0), kTimeoutMs);
    }

    // Both texts, a faulty one included, are back after a restart; the faulty
    // one is red again and filters nothing.
    void TextsAreKeptAcrossARestart()
    {
        WindowSession s(QByteArray{});
        {
            CMainFrame& frame = s.Open();
            frame.show();
            QVERIFY(frame.ReceivedDataView()->Filter()->Text().isEmpty());
            frame.ReceivedDataView()->Filter()->SetText(QStringLiteral("~123:7FF, j"));
            frame.IdFilter()->SetText(QStringLiteral("100-"));
            frame.close();
        }
        CMainFrame& frame = s.Open();
        FilterLine& listFilter = *frame.ReceivedDataView()->Filter();
        QCOMPARE(listFilter.Text(), QStringLiteral("~123:7FF, j"));
        QVERIFY(listFilter.IsValid());
        QVERIFY(!listFilter.Filter().Matches(false, 0x123));
        QCOMPARE(frame.IdFilter()->Text(), QStringLiteral("100-"));
        QVERIFY(!frame.IdFilter()->IsValid());
        QVERIFY(IsRed(*frame.IdFilter()));
        QVERIFY(frame.IdFilter()->Filter().ShowsEverything());
    }

    // At the window's right edge the counts keep the gap that parts them from
    // the field, whole even at large counts.
    void CountsKeepOffTheWindowsRightEdge()
    {
        qputenv("TALVOX_PORTS", QByteArray());
        BuildPortNameList();
        QTemporaryDir logs;
        CConverterLink link;
        ScriptedPrompts prompts;
        CMainFrame frame(link, logs.path().toStdString(), prompts);
        frame.resize(1280, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        for (FilterLine* line : {frame.ReceivedDataView()->Filter(), frame.IdFilter()}) {
            line->SetCounts(123456789, 123456789);
            QTRY_VERIFY_WITH_TIMEOUT(
                line->CountLabel()->width() >= line->CountLabel()->sizeHint().width(), kTimeoutMs);
            const QRect field = line->Edit()->geometry();
            const QRect counts = line->CountLabel()->geometry();
            const int gap = counts.left() - field.right() - 1;
            QVERIFY(gap > 0);
            QCOMPARE(line->width() - counts.right() - 1, gap);
        }
        const QLabel* counts = frame.IdFilter()->CountLabel();
        QVERIFY(counts->mapTo(&frame, counts->rect().topRight()).x() < frame.width() - 1);
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

QTEST_MAIN(FiltersTest)
#include "tst_filters.moc"
