#include "ProcessStarter.h"

#include <QProcess>

namespace quillet::platform {

namespace {
class QtProcessStarter : public ProcessStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
};
} // namespace

ProcessStarter& ProcessStarter::system() {
    static QtProcessStarter starter;
    return starter;
}

} // namespace quillet::platform
