#include "GaugetteModule.h"
#include "GraphicBar.h"

#include <ComponentKit.h>

#include <QApplication>

namespace {
// A widget needs a QApplication; without one the host gets a failure, not an abort.
QObject* createGraphicBar() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return new GraphicBar;
}
} // namespace

namespace gaugette {
componentkit::ServerModule& module() {
    static componentkit::ServerModule m(
        {{QUuid("{31b074d8-8597-4737-a5ae-0938cd66649b}"), QStringLiteral("Gaugette.GraphicBar"),
          QStringLiteral("Gaugette GraphicBar progress bar"), &createGraphicBar}});
    return m;
}
} // namespace gaugette

COMPONENTKIT_DEFINE_ENTRY_POINTS(gaugette::module())
