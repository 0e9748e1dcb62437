// Floods the event-log control and the received-data list with lines while the
// window is shown, appending in batches as the link delivers them (one batch per
// received-data event), and reports lines per second and the longest time the
// event loop was kept from running.
//
// Usage: bench_views [lines per widget, default 20000]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "common/TextFormat.h"
#include "rxlog/EventLine.h"
#include "rxlog/LogFiles.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "rxlog/ui/CRDView.h"
#include "rxlog/ui/ListFont.h"

namespace {

struct FloodResult {
    double linesPerSecond = 0;
    double longestStallMs = 0;     // append of one batch plus the event processing after it
    double longestTimerGapMs = 0;  // largest gap seen by a 1 ms timer
};

FloodResult Flood(int lines, int batch, const std::function<void(int)>& addLine)
{
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    QCoreApplication::processEvents();
    probe.start();
    sinceTick.start();

    QElapsedTimer total;
    total.start();
    qint64 longestStall = 0;
    for (int i = 0; i < lines;) {
        QElapsedTimer stall;
        stall.start();
        const int end = std::min(lines, i + batch);
        for (; i < end; ++i) {
            addLine(i);
        }
        QCoreApplication::processEvents();
        longestStall = std::max(longestStall, stall.nsecsElapsed());
    }
    QCoreApplication::processEvents();
    const qint64 elapsed = total.nsecsElapsed();
    probe.stop();

    FloodResult result;
    result.linesPerSecond = lines * 1e9 / static_cast<double>(elapsed);
    result.longestStallMs = longestStall / 1e6;
    result.longestTimerGapMs = longestGap / 1e6;
    return result;
}

void Report(const char* what, int lines, int batch, const FloodResult& r)
{
    std::printf(
        "%-16s lines %6d  batch %5d  %10.0f lines/s  longest stall %7.2f ms  "
        "longest 1 ms-timer gap %7.2f ms\n",
        what, lines, batch, r.linesPerSecond, r.longestStallMs, r.longestTimerGapMs);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    QApplication app(argc, argv);

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* eventLog = new CEventLogCtrl(&window);
    auto* view = new CRDView(&window);
    layout->addWidget(eventLog);
    layout->addWidget(view);
    eventLog->SetLineFont(MakeListFont(), true);
    window.resize(1280, 720);
    window.show();
    QCoreApplication::processEvents();

    const std::string caption = "[CAN 에러 상태 보고]";
    auto addEvent = [&](int i) {
        WriteEventLine(CaptionLine(caption, "Error-Passive 에러 발생 #" + std::to_string(i)),
                       (i % 3 == 0) ? kColourBlue : kColourBlack);
    };
    auto addReceived = [&](int i) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "CAN2.0B  ID: %08X  DLC: 8  DATA: %02X 11 22 33 44 55 66 77", 0x1234500 + i,
                      i & 0xFF);
        view->List()->AddLine(text);
    };

    // 100 lines is about 30 ms of short reports at 230400 bit/s; 3000 lines is a
    // full receive ring delivered at once after the UI thread was held up.
    for (int batch : {100, 3000}) {
        Report("event log", lines, batch, Flood(lines, batch, addEvent));
        Report("received data", lines, batch, Flood(lines, batch, addReceived));
    }

    // The same floods with both log files on, in a temporary folder.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        return 1;
    }
    SetLogPath(kEventLog, (dir.path() + "/EventLog.txt").toStdString());
    SetLogPath(kReceivedDataLog, (dir.path() + "/RDataLog.txt").toStdString());
    StartLogging(kEventLog);
    StartLogging(kReceivedDataLog);
    if (!IsLogging(kEventLog) || !IsLogging(kReceivedDataLog)) {
        return 1;
    }
    Report("event log+file", lines, 100, Flood(lines, 100, addEvent));
    Report("received+file", lines, 100, Flood(lines, 100, addReceived));
    StopLogging(kEventLog);
    StopLogging(kReceivedDataLog);
    return 0;
}
