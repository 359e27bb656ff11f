#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

namespace quillet {

// Takes files dropped from the desktop on a widget: they are handed on once the drop is
// over, while the window accepts them; anything else is refused at the door.
class DropTarget : public QObject {
public:
    // accepting says whether drops are taken now; dropped gets the local files of a drop.
    DropTarget(QWidget& target, std::function<bool()> accepting,
               std::function<void(const QStringList&)> dropped);

    // The local files among what was dropped, in the order given.
    static QStringList localFiles(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_accepting;
    std::function<void(const QStringList&)> m_dropped;
};

} // namespace quillet
