#include "CliRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace quillet::test {

namespace {

QString quoted(const QString& arg) {
    if (!arg.isEmpty() && !arg.contains(QLatin1Char(' ')) && !arg.contains(QLatin1Char('\'')))
        return arg;
    QString escaped = arg;
    escaped.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

} // namespace

void PrintTo(const CliOutcome& outcome, std::ostream* os) {
    *os << "\n  $ " << outcome.command.toStdString() << "\n  exit status: ";
    if (outcome.exitStatus)
        *os << *outcome.exitStatus;
    else
        *os << "none (" << outcome.failure.toStdString() << ')';
    *os << "\n  stdout:\n"
        << outcome.out.toStdString() << "\n  stderr:\n"
        << outcome.err.toStdString() << '\n';
}

std::ostream& operator<<(std::ostream& os, const CliOutcome& outcome) {
    PrintTo(outcome, &os);
    return os;
}

CliRunner::CliRunner() : CliRunner(QStringLiteral(QUILLET_CLI_PATH)) {}

CliRunner::CliRunner(QString program)
    : m_program(std::move(program)), m_environment(QProcessEnvironment::systemEnvironment()) {
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                         m_home.makeDir(QStringLiteral("config")));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.makeDir(QStringLiteral("data")));
    // Qt wants the runtime folder to be the user's alone.
    const QString runtime = m_home.makeDir(QStringLiteral("runtime"));
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // Qt keeps a few allocations until exit; the tool's own tests look for leaks.
    m_environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
}

CliOutcome CliRunner::run(const QStringList& args, int timeoutSeconds) const {
    CliOutcome outcome;
    QStringList shown = {QFileInfo(m_program).fileName()};
    for (const QString& arg : args)
        shown << quoted(arg);
    outcome.command = shown.join(QLatin1Char(' '));

    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(m_program, args);
    if (!process.waitForStarted()) {
        outcome.failure = QStringLiteral("did not start: ") + process.errorString();
        return outcome;
    }
    process.closeWriteChannel(); // no one at the keyboard
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        outcome.failure = QStringLiteral("still running after %1 s").arg(timeoutSeconds);
    } else if (process.exitStatus() == QProcess::CrashExit) {
        outcome.failure = QStringLiteral("crashed");
    } else {
        outcome.exitStatus = process.exitCode();
    }
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

QString CliRunner::logPath() const {
    return m_home.path(QStringLiteral("data/Quillet/lastsync.txt"));
}

QString CliRunner::settingsPath() const {
    return m_home.path(QStringLiteral("config/Quillet/Quillet.conf"));
}

} // namespace quillet::test
