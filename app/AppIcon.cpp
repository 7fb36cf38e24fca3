#include "app/AppIcon.h"

// The icon lives in the static library's resources, which the linker keeps only if asked for.
static void initResources()
{
    Q_INIT_RESOURCE(lumetra);
}

QIcon AppIcon::icon()
{
    initResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/lumetra/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/lumetra/icon-32.png"), QSize(32, 32));
    return icon;
}
