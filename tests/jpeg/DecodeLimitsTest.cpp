// Headers that claim more than their data can hold: refused before any pixel memory is
// taken, and the codec stops at its first warning when the data runs out.
#include "DibSection.h"
#include "JpegCodecBinding.h"
#include "JpegTestImages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <turbojpeg.h>
#include <vector>

using namespace BrevantJPEG;
namespace jcb = BrevantJPEG::JpegCodecBinding;

namespace {

const std::uint8_t* bytesOf(const QByteArray& a) {
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

class ScopedDecodeLimits {
public:
    explicit ScopedDecodeLimits(const JpegDecodeLimits& limits) { jcb::SetDecodeLimits(limits); }
    ~ScopedDecodeLimits() { jcb::SetDecodeLimits(m_saved); }
    ScopedDecodeLimits(const ScopedDecodeLimits&) = delete;
    ScopedDecodeLimits& operator=(const ScopedDecodeLimits&) = delete;

private:
    JpegDecodeLimits m_saved = jcb::DecodeLimits();
};

// About 56 KB of real picture data under a header that claims 26000 x 27000 pixels.
QByteArray hostileJpeg() {
    const QByteArray real =
        jcb::EncodeSectionToText(jpegtest::sectionOf(jpegtest::noise(150, 130, 5)), 95);
    return jpegtest::claimingSize(real, 26000, 27000);
}

// One flat colour: the least data per pixel an ordinary encoder writes.
QByteArray flatJpeg(int width, int height) {
    std::vector<unsigned char> grey(std::size_t(width) * std::size_t(height), 140);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, grey.data(), width, 0, height, TJPF_GRAY, &out, &size, TJSAMP_GRAY, 75, 0);
    QByteArray result(reinterpret_cast<char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    return result;
}

// Memory the decoding under test may take beyond what the process already held.
constexpr long AllowedGrowthMb = 256;

} // namespace

TEST(JpegDecodeLimitsTest, HostileHeaderIsRefusedFromMemoryAndFromAFile) {
    const QByteArray hostile = hostileJpeg();
    ASSERT_FALSE(hostile.isEmpty());
    ASSERT_LT(hostile.size(), 80 * 1024);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("hostile.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(hostile);
    file.close();

    const long before = jpegtest::peakMemoryMb();
    DibSection s = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(hostile), std::int32_t(hostile.size())));
    EXPECT_EQ(s.Width(), 6); // refused at the header: the section is untouched
    EXPECT_FALSE(jcb::DecodeFileToSection(s, file.fileName()));
    EXPECT_EQ(s.Width(), 6);
    EXPECT_LT(jpegtest::peakMemoryMb() - before, AllowedGrowthMb);
}

TEST(JpegDecodeLimitsTest, WithTheLimitsLiftedTheDecodeStopsWhereTheDataEnds) {
    // The claim is believed; the codec's first warning still ends the decode instead of
    // letting it fill 2 GB of rows for which there is no data.
    const ScopedDecodeLimits lifted({std::int64_t{1} << 30, 0});
    const QByteArray hostile = hostileJpeg();
    const long before = jpegtest::peakMemoryMb();
    DibSection s;
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(hostile), std::int32_t(hostile.size())));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_LT(jpegtest::peakMemoryMb() - before, AllowedGrowthMb);
}

TEST(JpegDecodeLimitsTest, RealPicturesPassAndTheCeilingIsTheCallers) {
    EXPECT_EQ(jcb::DecodeLimits().MaxPixels, std::int64_t{256} * 1024 * 1024);
    EXPECT_EQ(jcb::DecodeLimits().MaxPixelsPerByte, 1024);

    // 4.8 megapixels of one flat grey: past the pixels taken on trust, and still far more
    // data than the plausibility check asks for.
    const int w = 2400, h = 2000;
    const QByteArray flat = flatJpeg(w, h);
    ASSERT_FALSE(flat.isEmpty());
    DibSection s;
    ASSERT_TRUE(jcb::DecodeBufferToSection(s, bytesOf(flat), std::int32_t(flat.size())));
    EXPECT_EQ(s.Width(), w);
    EXPECT_EQ(jpegtest::pixelAt(s, w - 1, h - 1).g, 140);

    {
        const ScopedDecodeLimits lowered({std::int64_t{w} * h - 1, 1024});
        DibSection refused = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
        EXPECT_FALSE(jcb::DecodeBufferToSection(refused, bytesOf(flat), std::int32_t(flat.size())));
        EXPECT_EQ(refused.Width(), 6);
    }
    {
        const ScopedDecodeLimits atTheCeiling({std::int64_t{w} * h, 1024});
        DibSection taken;
        EXPECT_TRUE(jcb::DecodeBufferToSection(taken, bytesOf(flat), std::int32_t(flat.size())));
    }
    {
        // Fewer pixels a byte than this file has: implausible, refused.
        const qsizetype perByte = std::int64_t{w} * h / flat.size();
        const ScopedDecodeLimits strict({std::int64_t{1} << 30, perByte - 1});
        DibSection refused;
        EXPECT_FALSE(jcb::DecodeBufferToSection(refused, bytesOf(flat), std::int32_t(flat.size())));
        EXPECT_TRUE(refused.IsEmpty());
    }
    // Small pictures are taken on trust, however little data they bring.
    const ScopedDecodeLimits strict({std::int64_t{1} << 30, 1});
    const QByteArray small = flatJpeg(640, 480);
    DibSection taken;
    EXPECT_TRUE(jcb::DecodeBufferToSection(taken, bytesOf(small), std::int32_t(small.size())));
}
