#pragma once

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "common/CommandIds.h"
#include "common/CommandRouter.h"
#include "rxlog/LogFiles.h"

// Stands in for the main window: records the commands it receives and answers
// reception enabling from its own flag.
class RecordingRouter final : public CommandRouter {
public:
    void Execute(int commandId) override { executed.push_back(commandId); }
    bool IsCommandEnabled(int id) const override
    {
        return (id != kCmdReceptionStart && id != kCmdReceptionStop) ||
               receptionOn == (id == kCmdReceptionStop);
    }

    bool receptionOn = false;
    std::vector<int> executed;
};

// One row per menu entry: command ID (0 for a separator), text, enabled.
using MenuRow = std::tuple<int, std::string, bool>;

// Builds the widget's context menu while its log is on or off and compares it
// with the expected rows.
template <class Widget>
void CheckContextMenu(Widget& widget, int logKind, bool logging, const QString& title,
                      const std::vector<MenuRow>& expected)
{
    QTemporaryDir dir;
    SetLogPath(logKind, (dir.path() + "/log.txt").toStdString());
    if (logging) {
        StartLogging(logKind);
    }
    const std::unique_ptr<QMenu> menu = widget.BuildContextMenu();
    StopLogging(logKind);
    QVERIFY(menu);
    QCOMPARE(menu->title(), title);
    std::vector<MenuRow> rows;
    for (const QAction* action : menu->actions()) {
        const int id = action->isSeparator() ? 0 : action->data().toInt();
        rows.emplace_back(id, action->text().toStdString(), id != 0 && action->isEnabled());
    }
    QVERIFY(rows == expected);
}

// Right-clicks the middle of the viewport and chooses the popup's first item
// with the keyboard; the timer fires inside the popup's own event loop.
inline void RightClickFirstItem(QWidget* viewport)
{
    QTimer::singleShot(0, viewport, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menu->setActiveAction(menu->actions().value(0));
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    const QPoint at = viewport->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &request);
}
