#include "DropTarget.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace quillet {

DropTarget::DropTarget(QWidget& target, std::function<bool()> accepting,
                       std::function<void(const QStringList&)> dropped)
    : QObject(&target), m_accepting(std::move(accepting)), m_dropped(std::move(dropped)) {
    target.setAcceptDrops(true);
    target.installEventFilter(this);
}

QStringList DropTarget::localFiles(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls() && m_accepting())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls() || !m_accepting()) {
            drop->ignore();
            return true;
        }
        const QStringList paths = localFiles(drop->mimeData()->urls());
        drop->acceptProposedAction();
        // Handed on once the drop is over: the program the files came from is waiting for
        // it to end.
        QTimer::singleShot(0, this, [this, paths] { m_dropped(paths); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace quillet
