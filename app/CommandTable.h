#pragma once

#include <span>
#include <string_view>

// Every command of the main window, written once: its number, menu text with
// mnemonic, accelerator, tool-bar icon, tool tip and status-bar prompt. The
// menu bar, the tool bar and the context menus are built from this table.
struct CommandInfo {
    int id;
    std::string_view text;      // menu text, "&" before the mnemonic
    std::string_view shortcut;  // QKeySequence text, "" for none
    std::string_view icon;      // resource path of the 16 x 15 tool-bar icon, "" for none
    std::string_view toolTip;
    std::string_view prompt;  // shown in the status bar's message pane
    bool checkable = false;   // shows and hides something (tool bar, status bar)
};

// A top-level menu: its title and its items in order, 0 for a separator.
struct MenuInfo {
    std::string_view title;
    std::span<const int> items;
};

std::span<const CommandInfo> CommandTable();
// The command's entry, or nullptr for a number the table does not hold.
const CommandInfo* FindCommand(int id);
std::span<const MenuInfo> MainMenus();
// The tool bar's buttons in order, 0 for a separator.
std::span<const int> ToolBarLayout();
