#pragma once

#include <string>
#include <vector>

#include <QMenu>
#include <QString>

// The views' "복사" (copy) item, at the end of each view's context menu, after
// a separator when the menu holds other items: it puts text on the clipboard
// as plain text, one line per row. Disabled when there is nothing to copy.
void AddCopyItem(QMenu& menu, const QString& text);

// Lines joined by line ends (none after the last), as a text editor or a
// spreadsheet takes them from the clipboard.
QString JoinLines(const std::vector<std::string>& lines);
