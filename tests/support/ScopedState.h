#pragma once

#include <QByteArray>
#include <QLocale>
#include <QStandardPaths>

#include <optional>

// Process-wide state a test changes for a while. Each guard puts the previous state back when
// it goes out of scope, also when an assertion ends the test early, so that the next test of
// the same program starts from what it expects.
namespace quillet::test {

class ScopedDefaultLocale {
public:
    explicit ScopedDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(m_saved); }
    ScopedDefaultLocale(const ScopedDefaultLocale&) = delete;
    ScopedDefaultLocale& operator=(const ScopedDefaultLocale&) = delete;

private:
    QLocale m_saved; // the default at construction
};

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const char* name, const QByteArray& value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_saved = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnvironmentVariable() {
        if (m_saved)
            qputenv(m_name, *m_saved);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_saved; // none: it was not set
};

// QStandardPaths' test mode: per-user folders under ~/.qttest instead of the user's own.
class ScopedStandardPathsTestMode {
public:
    ScopedStandardPathsTestMode() : m_saved(QStandardPaths::isTestModeEnabled()) {
        QStandardPaths::setTestModeEnabled(true);
    }
    ~ScopedStandardPathsTestMode() { QStandardPaths::setTestModeEnabled(m_saved); }
    ScopedStandardPathsTestMode(const ScopedStandardPathsTestMode&) = delete;
    ScopedStandardPathsTestMode& operator=(const ScopedStandardPathsTestMode&) = delete;

private:
    bool m_saved;
};

} // namespace quillet::test
