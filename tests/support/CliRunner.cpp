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
    const std::unique_ptr<QProcess> process = start(args);
    return finish(*process, timeoutSeconds);
}

std::unique_ptr<QProcess> CliRunner::start(const QStringList& args) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    process->start(m_program, args);
    if (process->waitForStarted())
        process->closeWriteChannel(); // no one at the keyboard
    return process;
}

CliOutcome CliRunner::finish(QProcess& process, int timeoutSeconds) const {
    CliOutcome outcome;
    QStringList shown = {QFileInfo(process.program()).fileName()};
    const QStringList args = process.arguments();
    for (const QString& arg : args)
        shown << quoted(arg);
    outcome.command = shown.join(QLatin1Char(' '));
    if (process.state() == QProcess::NotRunning && process.error() == QProcess::FailedToStart) {
        outcome.failure = QStringLiteral("did not start: ") + process.errorString();
        return outcome;
    }
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        outcome.failure = QStringLiteral("still running after %1 s").arg(timeoutSeconds);
    } else if (process.exitStatus() == QProcess::CrashExit) {
        outcome.failure = QStringLiteral("crashed");
    } else {
        outcome.exitStatus = process.exitCode();
    }
    // A test that read some output as it came keeps it; the rest is here.
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
