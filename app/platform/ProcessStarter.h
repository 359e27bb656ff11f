#pragma once

#include <QString>
#include <QStringList>

namespace quillet::platform {

// Starts other programs.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // Starts program with exactly these arguments and does not wait for it. No shell comes
    // between, so no character of an argument means anything but itself. False when the
    // program cannot be started (it is missing, or not a program).
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;

    static ProcessStarter& system();
};

} // namespace quillet::platform
