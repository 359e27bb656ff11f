#pragma once

#include "TestFiles.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gmock/gmock.h>

#include <memory>
#include <optional>
#include <ostream>

class QProcess;

// The command line tool run as a program, the way a user runs it:
//
//     CliRunner cli;
//     const CliOutcome paired = cli.run({QStringLiteral("pair"), stick->root()});
//     ASSERT_THAT(paired, ExitsWith(0));
//     EXPECT_THAT(cli.run({QStringLiteral("status")}), PrintsOut(QStringLiteral("Present: yes")));
//
// A failed expectation prints the command, its exit status, its output and its errors.
namespace quillet::test {

struct CliOutcome {
    QString command;               // as a user would type it
    std::optional<int> exitStatus; // none when it crashed, hung or did not start
    QString failure;               // why there is no exit status
    QString out;
    QString err;
};

void PrintTo(const CliOutcome& outcome, std::ostream* os);
std::ostream& operator<<(std::ostream& os, const CliOutcome& outcome);

// Runs build/bin/quillet-cli with settings, data and runtime folders of its own, so that it
// never reads or changes the settings of the person running the tests.
class CliRunner {
public:
    CliRunner();
    explicit CliRunner(QString program);

    CliOutcome run(const QStringList& args, int timeoutSeconds = 120) const;
    // Starts the tool and returns at once, for a test that acts while it runs (pulls the
    // drive out during a pass, stops a watch); finish() waits for it and collects the rest.
    std::unique_ptr<QProcess> start(const QStringList& args) const;
    CliOutcome finish(QProcess& process, int timeoutSeconds = 120) const;

    QString program() const { return m_program; }
    QProcessEnvironment environment() const { return m_environment; }
    // The log of the last pass and the settings file, where the tool keeps them.
    QString logPath() const;
    QString settingsPath() const;

private:
    TestFiles m_home;
    QString m_program;
    QProcessEnvironment m_environment;
};

// Matchers for CliOutcome; on a mismatch gtest prints the whole outcome.
MATCHER_P(ExitsWith, status, "exits with " + ::testing::PrintToString(status)) {
    return arg.exitStatus == status;
}
MATCHER_P(PrintsOut, text, "prints " + ::testing::PrintToString(text)) {
    return arg.out.contains(text);
}
MATCHER_P(PrintsErr, text, "says on stderr " + ::testing::PrintToString(text)) {
    return arg.err.contains(text);
}

} // namespace quillet::test
