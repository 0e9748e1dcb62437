#pragma once

// Where context-menu commands go: the main window implements it, so that a
// command behaves the same from the main menu, the tool bar and every context
// menu. Commands are the numeric IDs of common/CommandIds.h.
class CommandRouter {
public:
    // Runs the command as the main window's own handler would.
    virtual void Execute(int commandId) = 0;
    // The command's enabled state by the main window's rules. The received-data
    // menu asks only for kCmdReceptionStop (enabled exactly while reception is
    // on) and offers kCmdReceptionStart as its opposite, so that exactly one of
    // the two is enabled.
    virtual bool IsCommandEnabled(int commandId) const = 0;

protected:
    ~CommandRouter() = default;
};
