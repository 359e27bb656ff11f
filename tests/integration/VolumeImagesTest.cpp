#include "VolumeImages.h"
#include "CliRunner.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

using namespace quillet::test;

namespace {

QString text(const char* ascii) {
    return QString::fromLatin1(ascii);
}

// Whether a file of this size can be written there and read back whole.
bool canWrite(const QString& path, qint64 bytes = 4096) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(64 << 10, 'q');
    for (qint64 written = 0; written < bytes; written += block.size()) {
        if (file.write(block.constData(), std::min<qint64>(block.size(), bytes - written)) < 0)
            return false;
    }
    if (!file.flush())
        return false;
    file.close();
    return file.error() == QFileDevice::NoError && QFile(path).size() == bytes;
}

// The ways of pulling a drive out that the data-safety tests rely on do what they say, on
// every kind of drive, as the program sees it.
class VolumeImagesTest : public ::testing::TestWithParam<VolumeKind> {
protected:
    void SetUp() override {
        m_stick = m_volumes.mount(GetParam());
        if (!m_stick)
            GTEST_SKIP() << m_volumes.whyNot().toStdString();
    }

    VolumeImages m_volumes;
    MountedVolume* m_stick = nullptr;
    CliRunner m_cli;
};

TEST_P(VolumeImagesTest, PulledOutDriveLeavesABareFolderAndComesBack) {
    ASSERT_THAT(m_cli.run({text("pair"), m_stick->root()}), ExitsWith(0));
    ASSERT_TRUE(canWrite(m_stick->root() + text("kept.txt")));
    ASSERT_TRUE(m_stick->unmount());
    ASSERT_TRUE(m_stick->mountAgain(MountPoint::Same));
    const QString root = m_stick->root();

    ASSERT_TRUE(m_stick->pullOut());
    EXPECT_TRUE(m_stick->root().isEmpty());
    EXPECT_TRUE(QDir(root).exists());
    EXPECT_TRUE(QDir(root).isEmpty()) << "the drive still shows at " << root.toStdString();
    EXPECT_THAT(m_cli.run({text("status")}), PrintsOut(text("Present: no")));

    ASSERT_TRUE(m_stick->mountAgain(MountPoint::Same));
    EXPECT_EQ(m_stick->root(), root);
    EXPECT_THAT(m_cli.run({text("status")}), PrintsOut(text("Present: yes, at ") + root));
    EXPECT_EQ(QFile(root + text("kept.txt")).size(), 4096);
}

TEST_P(VolumeImagesTest, FailedDeviceStaysMountedAndRefusesWrites) {
    ASSERT_TRUE(canWrite(m_stick->root() + text("before.txt")));
    const QString root = m_stick->root();
    ASSERT_TRUE(m_stick->failDevice());
    EXPECT_EQ(m_stick->root(), root);
    EXPECT_FALSE(canWrite(root + text("after.txt")));
}

TEST_P(VolumeImagesTest, ReadOnlyDriveKeepsItsRootAndRefusesWrites) {
    ASSERT_TRUE(canWrite(m_stick->root() + text("before.txt")));
    const QString root = m_stick->root();
    ASSERT_TRUE(m_stick->remountReadOnly());
    EXPECT_EQ(m_stick->root(), root);
    EXPECT_EQ(QFile(root + text("before.txt")).size(), 4096);
    EXPECT_FALSE(canWrite(root + text("after.txt")));
    EXPECT_FALSE(canWrite(root + text("before.txt")));
}

TEST_P(VolumeImagesTest, SmallDriveFillsUp) {
    MountedVolume* small = m_volumes.mount(GetParam(), VolumeSize::Small);
    ASSERT_NE(small, nullptr) << m_volumes.whyNot().toStdString();
    EXPECT_GT(small->totalBytes(), 0u);
    EXPECT_LT(small->totalBytes(), std::uint64_t{8} << 20);
    EXPECT_NE(small->serial(), m_stick->serial());
    EXPECT_TRUE(canWrite(small->root() + text("fits.bin"), 1 << 20));
    EXPECT_FALSE(canWrite(small->root() + text("too-big.bin"), 16 << 20));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, VolumeImagesTest, EveryVolumeKind(), KindName());

} // namespace
