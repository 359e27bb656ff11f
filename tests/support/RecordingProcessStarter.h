#pragma once

#include "platform/ProcessStarter.h"

#include <QList>

namespace quillet::test {

// Remembers what it was asked to start and starts nothing.
class RecordingProcessStarter : public platform::ProcessStarter {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };

    bool startDetached(const QString& program, const QStringList& arguments) override {
        starts.append({program, arguments});
        return programExists;
    }

    QList<Start> starts;
    // What starting answers: false as for a program that is missing.
    bool programExists = true;
};

} // namespace quillet::test
