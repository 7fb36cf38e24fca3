#include "app/AppIcon.h"

QIcon AppIcon::icon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/lumetra/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/lumetra/icon-32.png"), QSize(32, 32));
    return icon;
}
