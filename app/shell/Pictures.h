#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quillet::Pictures {

// One of the windows' pictures ("splash", "emblem", "logbanner"), drawn at its own size or
// at the size given; a null pixmap when it cannot be drawn.
QPixmap picture(const QString& name, const QSize& size = QSize());

// The program's icon, for its windows: the one installed with it, else the desktop theme's,
// else the built-in picture.
QIcon programIcon();

} // namespace quillet::Pictures
