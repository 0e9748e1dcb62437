#pragma once

#include <memory>

#include <QMenu>

#include "rxlog/EventLine.h"
#include "rxlog/ui/COXHistoryCtrl.h"

class CommandRouter;

// The event-log pane's control: a history control of 200 lines, indented 5
// pixels, left-aligned, that shows the event lines. While it exists it is the
// application's event-line sink. Its context menu offers clearing and the event
// logging switch, whose commands go to the command router (no menu is shown
// until a router is set), and "복사", which the control carries out itself.
class CEventLogCtrl : public COXHistoryCtrl, public EventLineSink {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 200;
    static constexpr int kIndent = 5;

    explicit CEventLogCtrl(QWidget* parent = nullptr);
    ~CEventLogCtrl() override;

    // Sets the current text colour, then appends the line.
    void AddEventLine(std::string_view text, uint32_t colour) override;

    void SetCommandRouter(CommandRouter* router) { m_router = router; }
    // The context menu as it would show now ("&LogMenu"), its copy item for
    // the line at row (the line under the mouse, -1 for none); null without a
    // router.
    std::unique_ptr<QMenu> BuildContextMenu(int row = -1);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CommandRouter* m_router = nullptr;
};
