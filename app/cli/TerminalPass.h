#pragma once

#include "Cli.h"
#include "CommandAnswers.h"

#include <QString>

namespace quillet {

class SyncEngine;
class SyncSession;
class TerminalView;

// Passes run from the command line: one now, or one each time the watch finds the drive.
// The log's lines and the rows go to out as they come; a person at a terminal also sees how
// far a long copy has come and a line that sums each pass up. Returns a Cli::Exit status.
class TerminalPass {
public:
    TerminalPass(const Cli::Io& io, QString logPath, AnswerPolicy answers)
        : m_io(io), m_logPath(std::move(logPath)), m_answers(std::move(answers)) {}

    // One pass now, on the drive where it is.
    int once(SyncSession& session);
    // What one pass would do now, each copy and each failure known in advance, changing
    // nothing and writing no log.
    int preview(SyncSession& session);
    // Watches for the drive until Ctrl+C, passing whenever it is found.
    int watch(SyncSession& session);

private:
    // The view of a pass that asks as the answer policy says.
    TerminalView terminalView();
    void summarise(const SyncEngine& engine);
    bool driveThere(const SyncSession& session);
    int refusedAsBusy(const SyncSession& session);

    const Cli::Io& m_io;
    QString m_logPath;
    AnswerPolicy m_answers;
};

} // namespace quillet
