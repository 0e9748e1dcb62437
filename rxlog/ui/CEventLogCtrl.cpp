#include "rxlog/ui/CEventLogCtrl.h"

#include <array>

#include <QContextMenuEvent>

#include "common/CommandIds.h"
#include "rxlog/LogFiles.h"
#include "common/ui/CommandMenu.h"
#include "rxlog/ui/CopyLines.h"

namespace {

constexpr std::array<CommandMenuItem, 4> kLogMenu{{
    {kCmdClearEventLog, "이벤트 로그 데이터 전체 삭제"},
    {0, nullptr},
    {kCmdEventLogStart, "이벤트 로깅 시작"},
    {kCmdEventLogStop, "이벤트 로깅 중지"},
}};

}  // namespace

CEventLogCtrl::CEventLogCtrl(QWidget* parent) : COXHistoryCtrl(parent)
{
    SetMaxEntries(kMaxLines);
    SetDrawFlags(kDrawLeft);
    SetIndent(kIndent);
    setAccessibleName(QString::fromUtf8("이벤트 로그"));
    SetEventLogSink(this);
}

CEventLogCtrl::~CEventLogCtrl()
{
    if (EventLogSink() == this) {
        SetEventLogSink(nullptr);
    }
}

void CEventLogCtrl::AddEventLine(std::string_view text, uint32_t colour)
{
    SetTextColour(colour);
    AddLine(text, false);
}

std::unique_ptr<QMenu> CEventLogCtrl::BuildContextMenu(int row)
{
    if (m_router == nullptr) {
        return nullptr;
    }
    const bool hasLines = LineCount() > 0;
    const bool logging = IsLogging(kEventLog);
    std::unique_ptr<QMenu> menu = BuildCommandMenu(QStringLiteral("&LogMenu"), kLogMenu, *m_router,
                                                   [hasLines, logging](int id) {
                                                       switch (id) {
                                                       case kCmdClearEventLog:
                                                           return hasLines;
                                                       case kCmdEventLogStart:
                                                           return !logging;
                                                       case kCmdEventLogStop:
                                                           return logging;
                                                       default:
                                                           return false;
                                                       }
                                                   });
    AddCopyItem(*menu, CopyText(row));
    return menu;
}

void CEventLogCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    const bool mouse = event->reason() == QContextMenuEvent::Mouse;
    std::unique_ptr<QMenu> menu =
        BuildContextMenu(mouse ? LineAt(viewport()->mapFromGlobal(event->globalPos()).y()) : -1);
    if (!menu) {
        return;
    }
    // A request from the keyboard carries no mouse position: open at the top left.
    const QPoint at = mouse ? event->globalPos() : viewport()->mapToGlobal(QPoint(0, 0));
    event->accept();
    menu->exec(at);
}
