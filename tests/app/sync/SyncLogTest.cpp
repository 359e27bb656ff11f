#include "sync/SyncLog.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

TEST(SyncLogTest, ALogThatCannotBeWrittenSaysWhyAndStillEchoesEveryLine) {
    TestFiles files;
    QStringList echoed;
    // A folder where the file should be: it cannot even be opened.
    SyncLog blocked(files.makeDir(QStringLiteral("log.txt")));
    blocked.onLine = [&](const QString& line) { echoed << line; };
    EXPECT_FALSE(blocked.open());
    EXPECT_FALSE(blocked.failure().isEmpty());
    blocked.writeLine(QStringLiteral("one"));
    EXPECT_EQ(echoed, QStringList{QStringLiteral("one")});

    // The next pass starts whole again once the file can be made.
    ASSERT_TRUE(QDir(files.path(QStringLiteral("log.txt"))).removeRecursively());
    ASSERT_TRUE(blocked.open());
    EXPECT_TRUE(blocked.failure().isEmpty());
    blocked.writeLine(QStringLiteral("two"));
    EXPECT_TRUE(blocked.close());
    EXPECT_EQ(TestFiles::read(files.path(QStringLiteral("log.txt"))), QByteArray("two\r\n"));

    // A device that is always full: the lines never reach it.
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    SyncLog full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open());
    full.writeLine(QStringLiteral("three"));
    EXPECT_FALSE(full.close());
    EXPECT_FALSE(full.failure().isEmpty());
}

} // namespace
