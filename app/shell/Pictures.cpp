#include "Pictures.h"

#include "controls/SystemTray.h"
#include "platform/AppPaths.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

// Which icon files the program found: QT_LOGGING_RULES="quillet.resources.info=true".
Q_LOGGING_CATEGORY(lcPictures, "quillet.resources", QtWarningMsg)

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

QIcon programIcon() {
    // Installed under a prefix of the user's choice, the icons are in that prefix's hicolor
    // theme, which the desktop need not search.
    const QString theme = platform::AppPath() + QStringLiteral("../share/icons/hicolor/");
    QIcon icon;
    QStringList found;
    for (const int size : {16, 22, 32, 48, 64, 128, 256}) {
        const QString file = theme + QStringLiteral("%1x%1/apps/quillet.png").arg(size);
        if (QFileInfo::exists(file)) {
            icon.addFile(QFileInfo(file).canonicalFilePath(), QSize(size, size));
            found << QFileInfo(file).canonicalFilePath();
        }
    }
    if (!icon.isNull()) {
        qCInfo(lcPictures).noquote() << "icons:" << found.join(QLatin1Char(','));
        return icon;
    }
    const QIcon themed = QIcon::fromTheme(QStringLiteral("quillet"));
    if (!themed.isNull()) {
        qCInfo(lcPictures).noquote() << "icons: the theme's" << themed.name();
        return themed;
    }
    qCInfo(lcPictures).noquote() << "icons: built in";
    return SystemTray::BuiltInIcon();
}

} // namespace quillet::Pictures
