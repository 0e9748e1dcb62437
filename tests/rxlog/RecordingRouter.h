#pragma once

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <QAction>
#include <QMenu>

#include "rxlog/CommandIds.h"
#include "rxlog/CommandRouter.h"

// Stands in for the main window: records the commands it receives and answers
// reception enabling from its own flag.
class RecordingRouter final : public CommandRouter {
public:
    void Execute(int commandId) override
    {
        executed.push_back(commandId);
        if (onExecute) {
            onExecute(commandId);
        }
    }
    bool IsCommandEnabled(int commandId) const override
    {
        if (commandId == kCmdReceptionStop) {
            return receptionOn;
        }
        if (commandId == kCmdReceptionStart) {
            return !receptionOn;
        }
        return true;
    }

    bool receptionOn = false;
    std::vector<int> executed;
    std::function<void(int)> onExecute;
};

// One row per menu entry: command ID (0 for a separator), text, enabled.
using MenuRow = std::tuple<int, std::string, bool>;

inline std::vector<MenuRow> DescribeMenu(const QMenu& menu)
{
    std::vector<MenuRow> rows;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            rows.emplace_back(0, std::string(), false);
        } else {
            rows.emplace_back(action->data().toInt(), action->text().toStdString(),
                              action->isEnabled());
        }
    }
    return rows;
}

inline QAction* FindCommand(const QMenu& menu, int commandId)
{
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && action->data().toInt() == commandId) {
            return action;
        }
    }
    return nullptr;
}
