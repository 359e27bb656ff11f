#include "Pictures.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource initialiser must be called from outside every namespace.
static void initShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace quillet::Pictures {

QPixmap picture(const QString& name, const QSize& size) {
    initShellResources();
    QSvgRenderer svg(QStringLiteral(":/quillet/shell/images/") + name + QStringLiteral(".svg"));
    if (!svg.isValid())
        return QPixmap();
    const QSize target = size.isValid() ? size : svg.defaultSize();
    QPixmap pixmap(target);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    return pixmap;
}

} // namespace quillet::Pictures
