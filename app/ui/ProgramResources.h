#pragma once

#include <QIcon>

// Makes the compiled-in resources (tool-bar icons, row icon, program icon)
// reachable under ":/icons/..." ; the widgets library is static, so its
// resources are registered explicitly. Safe to call more than once.
void LoadProgramResources();

// The program's icon at every size it is drawn at.
QIcon ProgramIcon();
