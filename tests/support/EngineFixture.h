#pragma once

#include "FakeVolumes.h"
#include "FaultyFileSystem.h"
#include "RecordingView.h"
#include "TestFiles.h"
#include "platform/QSettingsStore.h"
#include "sync/SettingsKeys.h"
#include "sync/SyncEngine.h"
#include "sync/SyncSession.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillet::test {

// A paired drive rooted in a scratch folder, a local folder beside it, a settings file, a
// session and an engine over the real file system (with faults on demand).
class EngineFixture : public ::testing::Test {
protected:
    EngineFixture();

    QString local(const QString& rel = QString()) const {
        return files.path(QStringLiteral("local/") + rel);
    }
    QString drive(const QString& rel = QString()) const {
        return files.path(QStringLiteral("drive/") + rel);
    }
    QString root() const { return drive(); }

    // Stores row n (from 1) as the sync list does; remoteBelowRoot is the path under the root.
    void storeRow(int n, const QString& localPath, const QString& remoteBelowRoot);
    void storeEndMark(int n);
    void setMode(int mode);
    // Loads, finds the drive and runs one pass.
    void pass();
    QStringList logLines() const;

    TestFiles files;
    FaultyFileSystem fs;
    FakeVolumes volumes;
    std::unique_ptr<platform::QSettingsStore> store;
    std::unique_ptr<SyncSession> session;
    RecordingView view;
    FixedClock clock{QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))};
    std::unique_ptr<SyncEngine> engine;
    QString logPath;
};

} // namespace quillet::test
