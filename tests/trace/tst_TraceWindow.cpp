// Traces in the main window: a recording against the simulator that python-can
// reads back and compares with what the simulator sent and what the window
// showed, a recording that a file-size limit stops, and a trace file opened
// into the receive views.
#include <csignal>
#include <cstdlib>
#include <ctime>

#include <QAction>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/CMainFrame.h"
#include "common/CommandIds.h"
#include "common/TextFormat.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CIdView.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/CRDataList.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/SimWindow.h"
#include "tests/common/TempProfile.h"
#include "trace/Trace.h"
#include "link/FrameCodec.h"
#include "link/ResponseText.h"
#include "tests/link/PtyPair.h"
#include "trace/TraceClock.h"
#include "trace/CandumpLog.h"
#include "trace/ui/CReplayDlg.h"
#include "trace/ui/TraceRecorder.h"
#include "trace/ui/TraceReplayer.h"

namespace {

constexpr int kTimeoutMs = 30000;

}  // namespace

class TraceWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_profile.Ok()); }

    void RecordsWhatTheSimulatorSent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("traffic");
        QTest::addColumn<uint64_t>("records");
        QTest::newRow("candump flood")
            << QStringLiteral("bus.log") << QStringLiteral("--flood") << uint64_t{600};
        QTest::newRow("asc flood")
            << QStringLiteral("bus.asc") << QStringLiteral("--flood") << uint64_t{600};
        // Converter error reports, recorded as error frames.
        QTest::newRow("candump error reports")
            << QStringLiteral("bus.log") << QStringLiteral("--flood-errors") << uint64_t{300};
        QTest::newRow("asc error reports")
            << QStringLiteral("bus.asc") << QStringLiteral("--flood-errors") << uint64_t{300};
        // Frames one by one as their periods come due, with gaps between them.
        QTest::newRow("candump periodic")
            << QStringLiteral("bus.log") << QStringLiteral("--errors") << uint64_t{200};
        // The same, each frame handed over when its last byte leaves the
        // simulator's line, as a UART's receiver would have it.
        QTest::newRow("candump periodic frame by frame")
            << QStringLiteral("bus.log") << QStringLiteral("--errors --frame-by-frame")
            << uint64_t{200};
    }

    // A flood with error reports, recorded while the received-data log runs;
    // python-can compares the trace with both.
    void RecordsWhatTheSimulatorSent()
    {
        if (!TALVOX_PYTHON_CAN) {
            QSKIP("python3-can is not installed");
        }
        QFETCH(QString, name);
        QFETCH(QString, traffic);
        QFETCH(uint64_t, records);
        QTemporaryDir dir;
        const QString sendLog = dir.filePath(QStringLiteral("sent.txt"));
        const QString tracePath = dir.filePath(name);
        std::vector<std::string> simArgs = {"--errors", "--seed", "3", "--send-log",
                                            sendLog.toStdString()};
        for (const QString& option : traffic.split(QLatin1Char(' '))) {
            simArgs.push_back(option.toStdString());
        }
        SimWindow session(simArgs);
        CMainFrame& frame = session.Start();
        QVERIFY(session.link.IsOpen());
        QVERIFY(frame.Action(kCmdTraceRecordStart)->isEnabled());
        QVERIFY(!frame.Action(kCmdTraceRecordStop)->isEnabled());

        frame.Execute(kCmdReceivedDataLogStart);
        session.prompts.fileNames = {tracePath};
        frame.Execute(kCmdTraceRecordStart);
        QCOMPARE(session.prompts.fileRequests.back().filter,
                 QString::fromUtf8("candump 로그(*.log);;Vector ASC(*.asc)"));
        CTraceRecorder& recorder = *frame.TraceRecorder();
        QVERIFY(recorder.IsRecording());
        QVERIFY(!frame.Action(kCmdTraceRecordStart)->isEnabled());
        QVERIFY(frame.Action(kCmdTraceRecordStop)->isEnabled());

        frame.Execute(kCmdReceptionStart);
        QTRY_VERIFY_WITH_TIMEOUT(session.link.receptionOn() != 0 || recorder.RecordCount() > 0,
                                 kTimeoutMs);
        // A Bus-Off report ends reception by itself.
        QTRY_VERIFY_WITH_TIMEOUT(
            recorder.RecordCount() >= records || session.link.receptionOn() == 0, kTimeoutMs);
        if (session.link.receptionOn() != 0) {
            QVERIFY(!frame.OpenTraceFile(tracePath));
            QCOMPARE(session.prompts.stops.size(), 1);
            frame.Execute(kCmdReceptionStop);
            QTRY_COMPARE_WITH_TIMEOUT(session.link.receptionOn(), 0u, kTimeoutMs);
        }
        frame.Execute(kCmdReceivedDataLogStop);
        frame.Execute(kCmdTraceRecordStop);
        QVERIFY(!recorder.IsRecording());
        QVERIFY(frame.Action(kCmdTraceRecordStart)->isEnabled());
        QVERIFY(EventLines(frame, true).isEmpty());
        QCOMPARE(session.Stop(SIGTERM), 0);

        QProcess check;
        check.start(QStringLiteral(TALVOX_SYSTEM_PYTHON3),
                    {QStringLiteral(TALVOX_CHECK_RECORDING), tracePath, sendLog,
                     QString::fromStdString(LogPath(kReceivedDataLog))});
        QVERIFY(check.waitForFinished(kTimeoutMs));
        const QString output =
            QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
        qInfo().noquote() << output.trimmed();
        QVERIFY2(check.exitCode() == 0, qPrintable(output));
    }

    // A file-size limit makes a write fail: one red line, the recording ends,
    // and every line that reached the file is whole.
    void WriteFailureStopsTheRecording()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath(QStringLiteral("full.log"));
        SimWindow session({"--flood"});
        CMainFrame& frame = session.Start();
        QVERIFY(session.link.IsOpen());
        session.prompts.fileNames = {tracePath};
        frame.Execute(kCmdTraceRecordStart);
        QVERIFY(frame.TraceRecorder()->IsRecording());

        bool stopped = false;
        QVERIFY(WithFileSizeLimit(20000, [&] {
            frame.Execute(kCmdReceptionStart);
            stopped =
                QTest::qWaitFor([&] { return !frame.TraceRecorder()->IsRecording(); }, kTimeoutMs);
        }));
        QVERIFY(stopped);
        QVERIFY(frame.Action(kCmdTraceRecordStart)->isEnabled());
        frame.Execute(kCmdReceptionStop);
        QTRY_COMPARE_WITH_TIMEOUT(session.link.receptionOn(), 0u, kTimeoutMs);

        const QStringList red = EventLines(frame, true);
        QCOMPARE(red.size(), 1);
        QVERIFY2(red[0].startsWith(QString::fromUtf8("[트레이스 기록 에러]")), qPrintable(red[0]));
        Trace trace;
        QVERIFY(ReadTraceFile(tracePath.toStdString(), trace).ok());
        QVERIFY(!trace.records.empty());
        QCOMPARE(trace.unparsedLines, uint64_t{0});
        QVERIFY(QFileInfo(tracePath).size() <= 20000);
    }

    // A size limit continues the recording in numbered files, each told.
    void SizeLimitContinuesInTheNextFile()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath(QStringLiteral("bus.log"));
        SimWindow session({"--flood"});
        CMainFrame& frame = session.Start();
        QVERIFY(session.link.IsOpen());
        QVERIFY(frame.TraceRecorder()->Start(tracePath.toStdString(), 4000));
        frame.Execute(kCmdReceptionStart);
        const QString second = dir.filePath(QStringLiteral("bus_002.log"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(second), kTimeoutMs);
        frame.Execute(kCmdReceptionStop);
        QTRY_COMPARE_WITH_TIMEOUT(session.link.receptionOn(), 0u, kTimeoutMs);
        frame.Execute(kCmdTraceRecordStop);

        const QString first = dir.filePath(QStringLiteral("bus_001.log"));
        const QStringList lines = EventLines(frame);
        const auto told = [&lines](const QString& from, const QString& to) {
            return std::ranges::any_of(lines, [&](const QString& line) {
                return line.startsWith(QString::fromUtf8("[트레이스 기록]")) &&
                       line.endsWith(from + QString::fromUtf8(" 이(가) 크기 제한에 이르러 ") + to +
                                     QString::fromUtf8(" 에 이어서 기록하기 시작했읍니다"));
            });
        };
        QVERIFY2(told(tracePath, first), qPrintable(lines.join('\n')));
        QVERIFY2(told(first, second), qPrintable(lines.join('\n')));
        QVERIFY(EventLines(frame, true).isEmpty());
    }

    // A trace file with a line it cannot read: the rest shows, the line is
    // told once with its number, and the status bar names the file.
    void OpensATraceIntoTheReceiveViews()
    {
        qputenv("TZ", "UTC");
        tzset();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 250; ++i) {
            if (i == 4) {
                file.write("(1700000000.000000) can0 12G#00\n");
            }
            file.write(QStringLiteral("(1700000000.%1) can0 %2#01%3\n")
                           .arg(i * 1000, 6, 10, QLatin1Char('0'))
                           .arg(0x100 + i % 3, 3, 16)
                           .arg(i % 256, 2, 16, QLatin1Char('0'))
                           .toUpper()
                           .replace(QStringLiteral("CAN0"), QStringLiteral("can0"))
                           .toLatin1());
        }
        file.write("(1700000000.300000) can0 20000040#0000000000000000\n");
        file.close();

        WindowSession s;
        ScriptedPrompts& prompts = s.prompts;
        CMainFrame& frame = s.Open();
        prompts.fileNames = {path};
        frame.Execute(kCmdTraceOpen);
        QCOMPARE(prompts.fileRequests.size(), size_t{1});

        const CRDataList* list = frame.ReceivedDataView()->List();
        QCOMPARE(list->LineCount(), 200);
        QCOMPARE(QString::fromStdString(list->LineText(198)),
                 QString::fromUtf8("22:13:20.249000  CAN2.0A  Data Frame    길이:2  ID:100       "
                                   "데이터:01 F9"));
        QCOMPARE(QString::fromStdString(list->LineText(199)),
                 QString::fromUtf8("22:13:20.300000  Bus-Off 에러 발생"));
        QCOMPARE(frame.IdView()->Table().RowCount(), size_t{3});
        QCOMPARE(frame.TraceStatusText(), QString::fromUtf8("트레이스: t.log (251개)"));
        QCOMPARE(EventLines(frame, true),
                 QStringList{QString::fromStdString(CaptionLine(
                     "[트레이스 열기]",
                     "t.log: 읽을 수 없는 줄 1개를 건너뛰었읍니다 (첫 줄: 5번째 줄)"))});

        // A file that is not there is refused with the reason, the views kept;
        // so is any trace while the received-data log runs.
        QVERIFY(!frame.OpenTraceFile(dir.filePath(QStringLiteral("none.log"))));
        QCOMPARE(prompts.stops.size(), 1);
        frame.Execute(kCmdReceivedDataLogStart);
        QVERIFY(IsLogging(kReceivedDataLog));
        QVERIFY(!frame.OpenTraceFile(path));
        frame.Execute(kCmdReceivedDataLogStop);
        QCOMPARE(prompts.stops.size(), 2);
        QCOMPARE(list->LineCount(), 200);
    }

    // The by-identifier view counts an opened trace by the records' times:
    // periods read as they were recorded, whatever the time of opening.
    void AnOpenedTraceShowsItsRecordedPeriods()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // 123 every 10 ms, 7FF every 25 ms, interleaved; one 123 alone.
        const struct {
            int ms;
            const char* line;
        } lines[] = {{0, "123#01"}, {5, "7FF#"},    {10, "123#02"}, {20, "123#03"},
                     {30, "7FF#"},  {30, "123#04"}, {55, "7FF#"},   {70, "456#AA"}};
        for (const auto& entry : lines) {
            file.write(QStringLiteral("(1700000000.%1) can0 %2\n")
                           .arg(entry.ms * 1000, 6, 10, QLatin1Char('0'))
                           .arg(QLatin1String(entry.line))
                           .toLatin1());
        }
        file.close();

        WindowSession s;
        CMainFrame& frame = s.Open();
        QVERIFY(frame.OpenTraceFile(path));
        const IdTable& table = frame.IdView()->Table();
        QCOMPARE(table.RowCount(), size_t{3});
        const struct {
            uint32_t id;
            uint64_t count;
            const char* period;
        } expected[] = {{0x123, 4, "10.0"}, {0x456, 1, "-"}, {0x7FF, 3, "25.0"}};
        for (size_t i = 0; i < table.RowCount(); ++i) {
            const IdTable::Row& row = table.RowAt(i);
            QCOMPARE(row.id, expected[i].id);
            QCOMPARE(row.count, expected[i].count);
            const std::vector<std::string> columns = IdTableColumns(IdRowText(row));
            QCOMPARE(QString::fromStdString(columns.back()), QString::fromUtf8(expected[i].period));
        }
    }

    // A replay through the simulator's loopback: every frame of the trace,
    // filtered, is confirmed by the converter, in the trace's order.
    void ReplaySendsEveryFrameInOrder()
    {
        QTemporaryDir dir;
        std::vector<TraceRecord> records;
        std::string text;
        for (int i = 0; i < 24; ++i) {
            TraceRecord record;
            record.timeUs = 1'700'000'000'000'000 + int64_t{i} * 20000;
            record.flags = i % 3 == 1 ? trace_flags::kExtended : 0;
            record.flags |= i % 5 == 4 ? trace_flags::kRemote : 0;
            record.id = i % 3 == 1 ? 0x18FEF100u + i : 0x100u + i;
            record.dlc = static_cast<uint8_t>(i % 9);
            for (int b = 0; b < 8; ++b) {
                record.data[b] = (record.flags & trace_flags::kRemote) != 0
                                     ? 0
                                     : static_cast<uint8_t>(b < record.dlc ? i * 8 + b : 0);
            }
            records.push_back(record);
            AppendCandumpLine(text, record, "can0");
        }
        AppendCandumpLine(text, *RecordOfErrorReport(0x01, records.back().timeUs + 1000), "can0");
        const QString path = dir.filePath(QStringLiteral("replay.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();

        SimWindow session({"--no-traffic", "--loopback"});
        CMainFrame& frame = session.Start();
        QVERIFY(session.link.IsOpen());
        QVERIFY(!frame.Action(kCmdTraceReplay)->isEnabled());
        QVERIFY(frame.OpenTraceFile(path));
        QVERIFY(frame.Action(kCmdTraceReplay)->isEnabled());
        const int linesBefore = frame.EventLog()->LineCount();

        // Every frame but 11-bit 105, at half speed: 40 ms apart, so that the
        // line never holds more than the one frame ahead even on a busy machine.
        session.prompts.dialogScripts = {ConfirmDialog([](QDialog& dialog) {
            auto& replay = static_cast<CReplayDlg&>(dialog);
            replay.SpeedBox()->setValue(0.5);
            replay.FilterEdit()->setText(QStringLiteral("~105"));
        })};
        frame.Execute(kCmdTraceReplay);
        QVERIFY(session.prompts.questions.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!frame.TraceReplayer()->IsRunning(), kTimeoutMs);

        QStringList expected;
        for (const TraceRecord& record : records) {
            CanFrame sent = FrameOfRecord(record);
            if (sent.extended == 0 && sent.id == 0x105) {
                continue;
            }
            // The send command carries no length for a remote frame.
            sent.dlc = sent.remote != 0 ? 0 : sent.dlc;
            expected << QString::fromStdString(
                CaptionLine(kTransmitResponseCaption,
                            TransmitResponseDetail(sent, sent.remote != 0 ? 0 : sent.dlc)));
        }
        QCOMPARE(static_cast<int>(frame.TraceReplayer()->Sent()), expected.size());
        QStringList confirmed;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                confirmed.clear();
                for (int i = linesBefore; i < frame.EventLog()->LineCount(); ++i) {
                    const QString line = QString::fromStdString(frame.EventLog()->Entry(i).text);
                    if (line.startsWith(QString::fromUtf8("[CAN 데이터 송신 응답]"))) {
                        confirmed << line;
                    }
                }
                return confirmed.size() >= expected.size();
            }(),
            kTimeoutMs);
        QCOMPARE(confirmed, expected);
        QVERIFY(EventLines(frame, true).isEmpty());

        // More frames in a second than the line carries: asked first, and a
        // No sends nothing.
        std::string dense;
        for (int i = 0; i < 800; ++i) {
            TraceRecord record = records[8];  // 11-bit, 8 data bytes
            record.timeUs += int64_t{i} * 1000;
            AppendCandumpLine(dense, record, "can0");
        }
        QFile denseFile(dir.filePath(QStringLiteral("dense.log")));
        QVERIFY(denseFile.open(QIODevice::WriteOnly));
        denseFile.write(dense.data(), static_cast<qint64>(dense.size()));
        denseFile.close();
        QVERIFY(frame.OpenTraceFile(denseFile.fileName()));
        session.prompts.dialogScripts = {ConfirmDialog()};
        session.prompts.answers = {false};
        frame.Execute(kCmdTraceReplay);
        QCOMPARE(session.prompts.questions.size(), 1);
        QVERIFY2(session.prompts.questions[0].contains(QStringLiteral("800")),
                 qPrintable(session.prompts.questions[0]));
        QVERIFY(!frame.TraceReplayer()->IsRunning());
    }

    // Each frame is stamped by the read that took it: a frame written after
    // an earlier one was taken never gets the earlier read's time, and of two
    // frames written at once the first is stamped earlier.
    void StampsFollowTheReadThatTookEachFrame()
    {
        PtyPair pty;
        QVERIFY(pty.Ok());
        CConverterLink link;
        QVERIFY(link.Open(pty.SlavePath(), 115200));
        std::vector<int64_t> arrived;
        link.SetRecordObserver(
            [&arrived](const LinkRecord& record) { arrived.push_back(record.arrivedSteadyNs); });
        const std::string frame = BuildFrame(":U0201230102");
        const int64_t first = TraceClock::SteadyNowNs();
        QVERIFY(pty.Send(frame));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), size_t{1}, kTimeoutMs);
        const int64_t second = TraceClock::SteadyNowNs();
        QVERIFY(pty.Send(frame + frame));
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), size_t{3}, kTimeoutMs);
        const int64_t end = TraceClock::SteadyNowNs();

        QVERIFY(arrived[0] >= first && arrived[0] <= second);
        QVERIFY(arrived[2] >= second && arrived[2] <= end);
        QVERIFY(arrived[1] < arrived[2]);
        link.SetRecordObserver({});
    }

private:
    TempProfile m_profile;
};

QTEST_MAIN(TraceWindowTest)
#include "tst_TraceWindow.moc"
