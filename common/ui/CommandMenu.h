#pragma once

#include <functional>
#include <memory>
#include <span>

#include <QMenu>
#include <QString>

class CommandRouter;

// One item of a context menu: a command ID and its text; ID 0 is a separator.
struct CommandMenuItem {
    int id;
    const char* text;  // UTF-8
};

// Builds a popup menu whose actions carry their command IDs (QAction::data) and,
// when triggered, hand them to router.Execute. isEnabled decides each action's
// enabled state at build time, which is when the menu is about to show. The
// menu has no parent: the caller owns it, and deleting the widget that asked
// for it while it is open leaves the menu valid.
std::unique_ptr<QMenu> BuildCommandMenu(const QString& title,
                                        std::span<const CommandMenuItem> items,
                                        CommandRouter& router,
                                        const std::function<bool(int)>& isEnabled);
