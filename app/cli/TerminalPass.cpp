#include "TerminalPass.h"

#include "TerminalView.h"
#include "base/Translate.h"
#include "sync/FailureText.h"
#include "sync/SyncEngine.h"
#include "sync/SyncSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace quillet {

bool TerminalPass::driveThere(const SyncSession& session) {
    if (!session.driveFound())
        m_io.err << Translate(QStringLiteral("The selected removable drive was not found."))
                 << Qt::endl;
    return session.driveFound();
}

// Nonzero (the exit status) when another pass held the turn and this one did nothing.
int TerminalPass::refusedAsBusy(const SyncSession& session) {
    if (!session.passBusy())
        return Cli::Ok;
    m_io.err << "quillet-cli: a pass is already running (started by quillet-cli or Quillet "
                "for this user); nothing was done. Try again when it has ended."
             << Qt::endl;
    return Cli::PassRunning;
}

TerminalView TerminalPass::terminalView() {
    return TerminalView(
        m_io.out, m_io.err,
        [this](const QString&) { return m_answers.answer(QStringLiteral("Replace?")); },
        m_answers.standing(), m_io.terminal);
}

int TerminalPass::once(SyncSession& session) {
    if (!driveThere(session))
        return Cli::NoDrive;
    TerminalView view = terminalView();
    SyncEngine engine(session, view, m_logPath);
    engine.log().onLine = [&](const QString& line) { m_io.out << line << '\n'; };
    engine.Syncronize();
    if (const int busy = refusedAsBusy(session))
        return busy;
    for (const SyncItem& item : session.list().rows())
        m_io.out << item.localPath << '\t' << item.status << '\n';
    summarise(engine);
    m_io.out.flush();
    if (engine.lastPass().stopped) {
        m_io.err << "quillet-cli: the pass was stopped before its end; a copy in progress was "
                    "left undone, and the rest was left for the next pass."
                 << Qt::endl;
        return Cli::Stopped;
    }
    return engine.lastPass().failures > 0 ? Cli::CopyFailed : Cli::Ok;
}

namespace {

// A preview's lines: one for each copy a pass would make and each failure it can tell now.
class PreviewView : public SyncView {
public:
    explicit PreviewView(QTextStream& out) : m_out(out) {}
    void planned(const PlannedCopy& copy) override {
        if (copy.replaces)
            m_out << (copy.towardDrive ? "Would replace on the drive: "
                                       : "Would replace on the PC: ");
        else
            m_out << (copy.towardDrive ? "Would copy to the drive: " : "Would copy to the PC: ");
        m_out << copy.from << " -> " << copy.to;
        if (copy.keepsBoth)
            m_out << (copy.towardDrive ? " (changed on both sides: the drive's version would be "
                                         "kept beside it)"
                                       : " (changed on both sides: the PC's version would be "
                                         "kept beside it)");
        if (copy.asksFirst)
            m_out << " (asks first)";
        m_out << '\n';
    }
    void fileFailed(const SyncFailure& failure) override {
        m_out << "Would fail: " << failure.subject << ": " << describe(failure) << '\n';
    }
    void yield() override { QCoreApplication::processEvents(); }
    bool stopRequested() override { return Cli::interruptRequested(); }

private:
    QTextStream& m_out;
};

} // namespace

int TerminalPass::preview(SyncSession& session) {
    if (!driveThere(session))
        return Cli::NoDrive;
    PreviewView view(m_io.out);
    SyncEngine engine(session, view, m_logPath);
    engine.setPreview(true);
    engine.Syncronize();
    if (const int busy = refusedAsBusy(session))
        return busy;
    const SyncEngine::Summary& pass = engine.lastPass();
    m_io.out << "Preview: " << pass.toDrive << " to copy to the drive, " << pass.toLocal
             << " to copy to the PC, " << pass.unchanged << " unchanged, " << pass.failures
             << " would fail";
    if (pass.conflicts > 0)
        m_io.out << ", " << pass.conflicts << " changed on both sides (both copies would be kept)";
    m_io.out << ". Nothing was changed." << Qt::endl;
    if (pass.stopped)
        return Cli::Stopped;
    return pass.failures > 0 ? Cli::CopyFailed : Cli::Ok;
}

void TerminalPass::summarise(const SyncEngine& engine) {
    // For the person at the terminal: the files a folder walk creates have no log line.
    // Scripts reading the output get the log and the rows as they always have.
    if (!m_io.terminal)
        return;
    const SyncEngine::Summary& pass = engine.lastPass();
    m_io.out << (pass.stopped ? "Stopped pass: " : "Pass: ") << pass.toDrive
             << " copied to the drive, " << pass.toLocal << " copied to the PC, " << pass.unchanged
             << " unchanged, " << pass.failures << " failed";
    if (pass.conflicts > 0)
        m_io.out << ", " << pass.conflicts << " changed on both sides (both copies kept)";
    m_io.out << '.' << Qt::endl;
}

int TerminalPass::watch(SyncSession& session) {
    TerminalView view = terminalView();
    SyncEngine engine(session, view, m_logPath);
    engine.log().onLine = [&](const QString& line) { m_io.out << line << '\n'; };
    bool present = false;
    DriveWatch& watcher = session.watch();
    bool waiting = false;
    bool cutShort = false;
    watcher.runPass = [&] {
        engine.Syncronize();
        if (!session.passBusy())
            summarise(engine);
        cutShort = !session.passBusy() && engine.lastPass().stopped;
        // Another process is passing: the next search tries again.
        if (session.passBusy() && !waiting)
            m_io.out << "Another pass is running; waiting for the next search." << Qt::endl;
        waiting = session.passBusy();
        m_io.out.flush();
    };
    watcher.onFound = [&] {
        if (!present)
            m_io.out << "Drive found at " << session.FoundLetter() << Qt::endl;
        present = true;
    };
    // Other processes may add, remove, pair or choose options meanwhile: each search and the
    // pass that follows it work on the settings as they are stored now.
    watcher.onSearching = [&] { session.reloadSettings(); };
    watcher.onNotFound = [&] {
        if (present)
            m_io.out << Translate(QStringLiteral("The selected removable drive was not found."))
                     << Qt::endl;
        present = false;
    };
    m_io.out << "Watching for the drive every " << watcher.refreshSeconds()
             << " seconds; press Ctrl+C to stop." << Qt::endl;

    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        watcher.tick();
        if (Cli::interruptRequested())
            loop.quit();
    });
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Cli::interruptRequested())
            loop.quit();
    });
    ticker.start();
    poll.start();
    if (!Cli::interruptRequested())
        loop.exec();
    m_io.out << "Stopped." << Qt::endl;
    // Stopped between passes, the watch has done all it was asked; during one, it has not.
    return cutShort ? Cli::Stopped : Cli::Ok;
}

} // namespace quillet
