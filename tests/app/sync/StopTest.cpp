#include "EngineFixture.h"
#include "LogLines.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;

namespace {

const QString Stopped = QStringLiteral("Not Synchronized (stopped)");
const QByteArray Large(32 << 20, 'n');

class StopTest : public EngineFixture {
protected:
    // Stop is pressed as soon as a long copy shows itself.
    void stopAtFirstProgress() {
        view.onProgress = [this](qint64 done) {
            if (done == 0)
                view.stop = true;
        };
    }
};

TEST_F(StopTest, StopEndsALongCopyAndLeavesTheDestinationAsItWas) {
    const QString l = files.write(QStringLiteral("local/big.bin"), Large, at(9, 0, 0));
    const QString r = files.write(QStringLiteral("drive/big.bin"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("big.bin"));
    stopAtFirstProgress();
    pass();
    EXPECT_EQ(TestFiles::read(r), QByteArray("old"));
    EXPECT_EQ(TestFiles::modified(r), at(8, 0, 0));
    EXPECT_EQ(TestFiles::tree(drive()), QStringList{QStringLiteral("big.bin")});
    EXPECT_EQ(view.statuses[0].constLast(), Stopped);
    EXPECT_THAT(logLines(), Contains(l + QStringLiteral(" - ") + Stopped));
    EXPECT_TRUE(engine->lastPass().stopped);
    EXPECT_EQ(engine->lastPass().copies, 0);
    EXPECT_EQ(engine->lastPass().failures, 0);
    // The next pass does it.
    view.onProgress = nullptr;
    view.stop = false;
    pass();
    EXPECT_EQ(TestFiles::read(r), Large);
}

TEST_F(StopTest, StopEndsANewFileOfAFolderWithoutATrace) {
    files.write(QStringLiteral("local/docs/big.bin"), Large, at(9, 0, 0));
    storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
    stopAtFirstProgress();
    pass();
    EXPECT_EQ(TestFiles::tree(drive()), QStringList{QStringLiteral("backup/")});
    EXPECT_EQ(view.statuses[0].constLast(), Stopped);
    EXPECT_EQ(engine->lastPass().failures, 0);
}

// A drive that hangs (a FUSE process that stopped answering) holds a listing for good: the
// pass waits for it with the window alive, and Stop ends the pass all the same.
TEST_F(StopTest, StopEndsAPassWaitingForAHungListing) {
    engine->setListingWorkers(1);
    files.makeDir(QStringLiteral("local/docs"));
    files.makeDir(QStringLiteral("drive/backup"));
    storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
    const std::string hung = drive(QStringLiteral("backup/")).toStdString();
    const std::string mine = local(QStringLiteral("docs/")).toStdString();
    std::promise<void> entered;
    std::shared_future<void> stuck = entered.get_future().share();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> held{false};
    fs.beforeListing = [&](const std::string& path) {
        if (path == hung && !held.exchange(true)) {
            entered.set_value();
            // Bounded, so that a pass that cannot stop fails here instead of hanging.
            released.wait_for(std::chrono::seconds(20));
        } else if (path == mine) {
            stuck.wait(); // the walk asks for the drive's listing once the worker is held
        }
    };
    view.onYield = [&] {
        if (held)
            view.stop = true;
    };
    pass();
    EXPECT_NE(released.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_TRUE(engine->lastPass().stopped);
    EXPECT_EQ(engine->lastPass().failures, 0);
    release.set_value();
    engine.reset(); // the worker's listing ends, and nothing is left to use it
    fs.beforeListing = nullptr;
}

} // namespace
