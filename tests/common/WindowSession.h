#pragma once

#include <memory>
#include <utility>

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include "app/PortDiscovery.h"
#include "app/ui/CMainFrame.h"
#include "link/ConverterLink.h"
#include "rxlog/EventLine.h"
#include "rxlog/ui/CEventLogCtrl.h"
#include "tests/common/ScriptedPrompts.h"

// Sets the ports the program lists, as TALVOX_PORTS ("a:b") does at start.
inline void UsePorts(const QByteArray& ports)
{
    qputenv("TALVOX_PORTS", ports);
    BuildPortNameList();
}

// The event log's lines in order; with redOnly, only the red ones.
inline QStringList EventLines(const CMainFrame& frame, bool redOnly = false)
{
    QStringList lines;
    for (int i = 0; i < frame.EventLog()->LineCount(); ++i) {
        const HistoryEntry& entry = frame.EventLog()->Entry(i);
        if (!redOnly || entry.textColour == kColourRed) {
            lines << QString::fromStdString(entry.text);
        }
    }
    return lines;
}

// A main window as the program makes it: its link, scripted prompts and a
// temporary working folder (where logs and files go), listing the given
// ports. Open() makes the window, again after a restart; Start() also shows it
// and runs the start-up. The window goes before the link and the prompts.
class WindowSession {
public:
    explicit WindowSession(const QByteArray& ports = "/nonexistent/ttyTALVOX") { UsePorts(ports); }

    template <class Frame = CMainFrame>
    Frame& Open()
    {
        frame.reset();
        auto made = std::make_unique<Frame>(link, folder.path().toStdString(), prompts);
        Frame& opened = *made;
        frame = std::move(made);
        return opened;
    }
    CMainFrame& Start()
    {
        CMainFrame& opened = Open();
        opened.show();
        opened.FinishStartup();
        return opened;
    }

    QTemporaryDir folder;
    CConverterLink link;
    ScriptedPrompts prompts;
    std::unique_ptr<CMainFrame> frame;
};
