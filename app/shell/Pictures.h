#pragma once

#include <QPixmap>
#include <QString>

namespace quillet::Pictures {

// One of the windows' pictures ("splash", "emblem", "logbanner"), drawn at its own size or
// at the size given; a null pixmap when it cannot be drawn.
QPixmap picture(const QString& name, const QSize& size = QSize());

} // namespace quillet::Pictures
