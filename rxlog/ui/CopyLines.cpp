#include "rxlog/ui/CopyLines.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

#include "common/CommandIds.h"

void AddCopyItem(QMenu& menu, const QString& text)
{
    if (!menu.isEmpty()) {
        menu.addSeparator();
    }
    QAction* copy = menu.addAction(QString::fromUtf8("복사"));
    copy->setData(kCmdCopyLines);
    copy->setEnabled(!text.isEmpty());
    QObject::connect(copy, &QAction::triggered, &menu,
                     [text] { QGuiApplication::clipboard()->setText(text); });
}

QString JoinLines(const std::vector<std::string>& lines)
{
    QString text;
    for (const std::string& line : lines) {
        if (&line != &lines.front()) {
            text += QLatin1Char('\n');
        }
        text += QString::fromStdString(line);
    }
    return text;
}
