#pragma once

#include <QIcon>

// The program's bell icon, drawn from its SVG resource.
inline QIcon AppIcon() {
    return QIcon(QStringLiteral(":/tonvane.svg"));
}
