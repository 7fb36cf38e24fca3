#pragma once

#include <QIcon>

namespace AppIcon {
// The program's icon, drawn at 16 and 32 pixels.
QIcon icon();
} // namespace AppIcon
