#include "EngineFixture.h"
#include "LogLines.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// Stops the pass when the walk shows its n-th file.
class StopAtView : public RecordingView {
public:
    int stopAt = -1;
    void setFileStatus(const QString& text) override {
        RecordingView::setFileStatus(text);
        if (!text.isEmpty() && --stopAt == 0)
            stop = true;
    }
};

// One paired drive and local folder in a scratch folder of its own, with a pass that lists
// folders with the given number of workers.
class World : public EngineFixture {
public:
    void TestBody() override {}
    using EngineFixture::drive;
    using EngineFixture::files;
    using EngineFixture::local;
    using EngineFixture::logLines;
    using EngineFixture::setMode;
    using EngineFixture::storeRow;

    void build(quint32 seed, int mode) {
        QRandomGenerator random(seed);
        QStringList folders{QString()};
        for (int i = 0; i < 12; ++i) {
            const QString parent = folders.at(random.bounded(folders.size()));
            folders << parent + QStringLiteral("d%1/").arg(i);
        }
        for (int i = 0; i < 60; ++i) {
            const QString rel =
                folders.at(random.bounded(folders.size())) + QStringLiteral("f%1.txt").arg(i);
            const QByteArray content =
                QByteArray::number(random.generate()).repeated(random.bounded(1, 40));
            const QDateTime time = at(8, random.bounded(60), random.bounded(60));
            switch (random.bounded(6)) {
            case 0: // only local
                files.write(QStringLiteral("local/docs/") + rel, content, time);
                break;
            case 1: // only on the drive
                files.write(QStringLiteral("drive/backup/") + rel, content, time);
                break;
            case 2: // the same on both
                files.write(QStringLiteral("local/docs/") + rel, content, time);
                files.write(QStringLiteral("drive/backup/") + rel, content, time);
                break;
            default: { // different: either side newer, sometimes by a single second
                const int apart = random.bounded(2) ? 1 : 3600;
                const bool localNewer = random.bounded(2);
                files.write(QStringLiteral("local/docs/") + rel, content + "L",
                            localNewer ? time.addSecs(apart) : time);
                files.write(QStringLiteral("drive/backup/") + rel, content + "D",
                            localNewer ? time : time.addSecs(apart));
            }
            }
        }
        // Empty folders on either side.
        files.makeDir(QStringLiteral("local/docs/empty-here"));
        files.makeDir(QStringLiteral("drive/backup/d0/empty-there"));
        storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
        setMode(mode);
    }

    void run(int workers, int stopAt, const QList<bool>& answers, int writers = 0) {
        session->GoLoad();
        session->SearchLetter();
        stopping.stopAt = stopAt;
        stopping.answers = answers;
        SyncEngine walk(*session, stopping, logPath, clock);
        walk.setListingWorkers(workers);
        walk.setCopyWriters(writers);
        walk.Syncronize();
    }

    // Everything a pass leaves or shows, with this world's scratch folder taken out.
    QStringList outcome() const {
        const QString base = files.path();
        auto strip = [&](QStringList lines) {
            for (QString& line : lines)
                line.replace(base, QStringLiteral("<root>"));
            return lines;
        };
        QStringList all = strip(logLines());
        all << QStringLiteral("--") << stopping.events << QStringLiteral("--")
            << strip(stopping.fileStatuses) << QStringLiteral("--") << strip(stopping.questions);
        for (const auto& [row, statuses] : stopping.statuses)
            all << QStringLiteral("row %1: ").arg(row) + statuses.join(u'|');
        for (const QString& side :
             {local(QStringLiteral("docs")), drive(QStringLiteral("backup"))}) {
            QDirIterator it(side, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            QStringList entries;
            while (it.hasNext()) {
                const QString path = it.next();
                entries << path.mid(base.size()) + QLatin1Char(' ') +
                               QString::fromUtf8(TestFiles::read(path)) + QLatin1Char(' ') +
                               TestFiles::modified(path).toString(Qt::ISODate);
            }
            entries.sort();
            all << entries << TestFiles::tree(side);
        }
        return all;
    }

    QString lastLogLine() const { return logLines().constLast(); }

    StopAtView stopping;
};

struct Case {
    quint32 seed;
    int mode;
    int stopAt; // -1: never
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << "seed " << c.seed << ", mode " << c.mode << ", stop at " << c.stopAt;
}

struct CaseName {
    std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
        const Case& c = param.param;
        return "Seed" + std::to_string(c.seed) + "Mode" + std::to_string(c.mode) +
               (c.stopAt > 0 ? "StopAt" + std::to_string(c.stopAt) : "");
    }
};

class ListingThreadsTest : public ::testing::TestWithParam<Case> {};

// Listing ahead and writing copies on workers change how fast a pass is, nothing else: the
// same log, the same view calls in the same order, the same questions, the same trees, Stop
// at the same file.
TEST_P(ListingThreadsTest, ListingAheadChangesNothingButSpeed) {
    const Case c = GetParam();
    World alone;
    World helped;
    World writing;
    alone.build(c.seed, c.mode);
    helped.build(c.seed, c.mode);
    writing.build(c.seed, c.mode);
    const QList<bool> answers{true, false, true, true, false, false, true};
    alone.run(0, c.stopAt, answers);
    helped.run(2, c.stopAt, answers);
    writing.run(2, c.stopAt, answers, 3);
    const QStringList expected = alone.outcome();
    ASSERT_GT(expected.size(), 40);
    EXPECT_EQ(helped.outcome(), expected);
    EXPECT_EQ(writing.outcome(), expected);
    if (c.stopAt > 0) {
        EXPECT_FALSE(alone.lastLogLine().startsWith(EndedAt)) << "the pass was stopped";
    }
}

INSTANTIATE_TEST_SUITE_P(RandomTrees, ListingThreadsTest,
                         ::testing::Values(Case{1, 0, -1}, Case{2, 1, -1}, Case{3, 2, -1},
                                           Case{4, 3, -1}, Case{5, 4, -1}, Case{6, 0, 7},
                                           Case{7, 1, 25}, Case{8, 5, 3}),
                         CaseName());

// Copies written several at once: one that fails is told once, with its own reason, when
// its result is taken; the others land, and the row says what a pass written one at a time
// says.
TEST(CopyWritersTest, OneFailedCopyAmongManyIsToldWithItsReason) {
    QStringList outcomes[2];
    for (const int writers : {0, 3}) {
        World world;
        for (int i = 0; i < 150; ++i)
            world.files.write(QStringLiteral("local/docs/d%1/f%2.txt").arg(i % 4).arg(i),
                              QByteArray::number(i).repeated(i % 7 + 1), at(9, i % 60, 0));
        const QString locked = QStringLiteral("drive/backup/d2/f42.txt");
        world.files.write(locked, "old", at(8, 0, 0));
        TestFiles::setReadOnly(world.files.path() + QStringLiteral("/") + locked, true);
        world.storeRow(1, world.local(QStringLiteral("docs")), QStringLiteral("backup/"));
        world.setMode(0);
        world.run(1, -1, {}, writers);

        const QStringList lines = world.logLines();
        const QStringList failed = lines.filter(QStringLiteral("ERROR"));
        // Both looks at the file fail, each with the file's own name and reason.
        ASSERT_EQ(failed.size(), 2) << lines.join(u'\n').toStdString();
        for (const QString& line : failed) {
            EXPECT_TRUE(line.contains(QStringLiteral("/d2/f42.txt - ERROR"))) << line.toStdString();
            EXPECT_TRUE(line.contains(QStringLiteral("read-only file"))) << line.toStdString();
        }
        EXPECT_EQ(TestFiles::read(world.drive(QStringLiteral("backup/d2/f42.txt"))), "old");
        EXPECT_EQ(TestFiles::read(world.drive(QStringLiteral("backup/d3/f43.txt"))),
                  QByteArray::number(43).repeated(43 % 7 + 1));
        QStringList sorted = world.outcome();
        sorted.sort();
        outcomes[writers == 0 ? 0 : 1] = sorted;
    }
    EXPECT_EQ(outcomes[1], outcomes[0]);
}

} // namespace
