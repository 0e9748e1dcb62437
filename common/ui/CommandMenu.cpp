#include "common/ui/CommandMenu.h"

#include <QAction>

#include "common/CommandRouter.h"

std::unique_ptr<QMenu> BuildCommandMenu(const QString& title,
                                        std::span<const CommandMenuItem> items,
                                        CommandRouter& router,
                                        const std::function<bool(int)>& isEnabled)
{
    auto menu = std::make_unique<QMenu>(title);
    for (const CommandMenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        const int id = item.id;
        action->setData(id);
        action->setEnabled(isEnabled(id));
        QObject::connect(action, &QAction::triggered, menu.get(),
                         [&router, id] { router.Execute(id); });
    }
    return menu;
}
