#include "app/ui/ProgramResources.h"

void LoadProgramResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)loaded;
}

QIcon ProgramIcon()
{
    LoadProgramResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/talvox-analyzer-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
