#include "JpegCodecBinding.h"
#include "DibSection.h"
#include "JpegTestImages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <turbojpeg.h>
#include <vector>

using namespace BrevantJPEG;
namespace jcb = BrevantJPEG::JpegCodecBinding;
using jpegtest::pixelAt;

namespace {

const std::uint8_t* bytesOf(const QByteArray& a) {
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

// Mean absolute difference per channel between a section and the picture it came from.
double meanError(const DibSection& s, const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            sum += jpegtest::distance(pixelAt(s, x, y), picture.pixel(x, y));
    return sum / (3.0 * picture.width() * picture.height());
}

// Encodes raw pixels with the codec directly, for pictures the library never writes.
QByteArray encodeRaw(const std::vector<unsigned char>& pixels, int w, int h, int format,
                     int subsampling) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(handle, pixels.data(), w, 0, h, format, &out, &size, subsampling, 100, 0);
    QByteArray result =
        rc == 0 ? QByteArray(reinterpret_cast<char*>(out), qsizetype(size)) : QByteArray();
    tjFree(out);
    tjDestroy(handle);
    return result;
}

class JpegCodecBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        jcb::ClearLastError();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(JpegCodecBindingTest, RoundTripKeepsOrientationColoursAndSize) {
    // An odd width, so every row carries padding the codec must skip.
    const QImage picture = jpegtest::quadrants(37, 22);
    const DibSection source = jpegtest::sectionOf(picture);
    const QByteArray jpeg = jcb::EncodeSectionToText(source, 90);
    ASSERT_GT(jpeg.size(), 4);
    EXPECT_EQ(std::uint8_t(jpeg[0]), 0xFF);
    EXPECT_EQ(std::uint8_t(jpeg[1]), 0xD8);
    EXPECT_EQ(std::uint8_t(jpeg[jpeg.size() - 2]), 0xFF);
    EXPECT_EQ(std::uint8_t(jpeg[jpeg.size() - 1]), 0xD9);

    DibSection decoded;
    ASSERT_TRUE(jcb::DecodeBufferToSection(decoded, bytesOf(jpeg), std::int32_t(jpeg.size())));
    ASSERT_EQ(decoded.Width(), 37);
    ASSERT_EQ(decoded.Height(), 22);
    // Away from the edges each quadrant keeps its colour: a flipped or channel-swapped
    // image would be off by 255 or more.
    const QPoint centres[] = {{8, 5}, {28, 5}, {8, 16}, {28, 16}};
    for (const QPoint& c : centres)
        EXPECT_LE(jpegtest::distance(pixelAt(decoded, c.x(), c.y()), picture.pixel(c)), 24)
            << c.x() << "," << c.y();
}

TEST_F(JpegCodecBindingTest, RoundTripStaysWithinTolerance) {
    // Smooth content at quality 90: mean error under 2 levels per channel; at quality 50
    // under 4. Both are generous for 8-bit baseline JPEG with 4:2:0 chroma.
    const QImage picture = jpegtest::gradient(96, 64);
    const DibSection source = jpegtest::sectionOf(picture);
    for (const auto& [quality, tolerance] : {std::pair{90, 2.0}, std::pair{50, 4.0}}) {
        const QByteArray jpeg = jcb::EncodeSectionToText(source, quality);
        DibSection decoded;
        ASSERT_TRUE(jcb::DecodeBufferToSection(decoded, bytesOf(jpeg), std::int32_t(jpeg.size())));
        EXPECT_LT(meanError(decoded, picture), tolerance) << "quality " << quality;
    }
}

TEST_F(JpegCodecBindingTest, SizeGrowsWithQualityAndQualityIsClamped) {
    const DibSection source = jpegtest::sectionOf(jpegtest::noise(64, 64, 11));
    qsizetype previous = 0;
    for (int quality : {0, 10, 25, 50, 75, 90, 100}) {
        const qsizetype size = jcb::EncodeSectionToText(source, quality).size();
        EXPECT_GT(size, previous) << "quality " << quality;
        previous = size;
    }
    EXPECT_EQ(jcb::EncodeSectionToText(source, -20), jcb::EncodeSectionToText(source, 0));
    EXPECT_EQ(jcb::EncodeSectionToText(source, 250), jcb::EncodeSectionToText(source, 100));
}

TEST_F(JpegCodecBindingTest, NoisyPictureAtFullQualityStillEncodesToText) {
    // Larger than a quarter of the raw pixels: the case a fixed-size buffer could not hold.
    const QImage picture = jpegtest::noise(100, 100, 3);
    const DibSection source = jpegtest::sectionOf(picture);
    const QByteArray jpeg = jcb::EncodeSectionToText(source, 100);
    const qsizetype raw = qsizetype(source.Height()) * source.BytesPerScanLine();
    EXPECT_GT(jpeg.size(), raw / 4);
    EXPECT_EQ(jcb::LastError().Number, 0);

    // Exactly the encoded bytes: the buffer routine with room to spare agrees byte for byte.
    std::vector<std::uint8_t> buffer(std::size_t(jpeg.size()) + 100, 0xEE);
    std::int32_t size = std::int32_t(buffer.size());
    ASSERT_TRUE(jcb::EncodeSectionToBuffer(source, buffer.data(), size, 100));
    ASSERT_EQ(size, jpeg.size());
    EXPECT_EQ(std::memcmp(buffer.data(), jpeg.constData(), size_t(size)), 0);
    EXPECT_EQ(buffer[size_t(size)], 0xEE); // nothing written past the count

    // Colour noise loses its chroma to 4:2:0 subsampling; brightness must survive.
    DibSection decoded;
    ASSERT_TRUE(jcb::DecodeBufferToSection(decoded, bytesOf(jpeg), std::int32_t(jpeg.size())));
    double lumaError = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const jpegtest::Bgr p = pixelAt(decoded, x, y);
            const QRgb c = picture.pixel(x, y);
            lumaError += std::abs(
                (299 * (p.r - qRed(c)) + 587 * (p.g - qGreen(c)) + 114 * (p.b - qBlue(c))) /
                1000.0);
        }
    EXPECT_LT(lumaError / 10000, 3.0);
}

TEST_F(JpegCodecBindingTest, BufferTooSmallFailsWithTheNotedError) {
    const DibSection source = jpegtest::sectionOf(jpegtest::noise(100, 100, 4));
    const qsizetype needed = jcb::EncodeSectionToText(source, 100).size();
    std::vector<std::uint8_t> buffer(size_t(needed), 0);
    std::int32_t size = std::int32_t(needed - 1);
    EXPECT_FALSE(jcb::EncodeSectionToBuffer(source, buffer.data(), size, 100));
    EXPECT_EQ(size, needed - 1); // the count is only written on success
    const JpegError error = jcb::LastError();
    EXPECT_EQ(error.Number, 26001);
    EXPECT_TRUE(error.Description.startsWith(QStringLiteral("Failed to save to JPG ")));
    EXPECT_EQ(error.Source, QStringLiteral("BrevantJPEG.JpegCodecBinding"));

    // The exact size is enough.
    size = std::int32_t(needed);
    EXPECT_TRUE(jcb::EncodeSectionToBuffer(source, buffer.data(), size, 100));
    EXPECT_EQ(size, needed);
}

TEST_F(JpegCodecBindingTest, EmptySectionEncodesToNothing) {
    const DibSection empty;
    EXPECT_TRUE(jcb::EncodeSectionToText(empty, 50).isEmpty());
    EXPECT_EQ(jcb::LastError().Number, 26001);
    EXPECT_EQ(jcb::LastError().Description, QStringLiteral("Failed to save to JPG -1"));
    EXPECT_FALSE(jcb::EncodeSectionToFile(empty, path(QStringLiteral("e.jpg")), 50));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("e.jpg"))));
    jcb::ClearLastError();
    EXPECT_EQ(jcb::LastError().Number, 0);
    EXPECT_TRUE(jcb::LastError().Description.isEmpty());
}

TEST_F(JpegCodecBindingTest, FileRoundTripWithAnyFileName) {
    const QImage picture = jpegtest::gradient(40, 30);
    const DibSection source = jpegtest::sectionOf(picture);
    const QString file = path(QStringLiteral("Bild größe ✓.jpg"));
    ASSERT_TRUE(jcb::EncodeSectionToFile(source, file, 95));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), jcb::EncodeSectionToText(source, 95)); // same bytes as in memory
    DibSection decoded;
    ASSERT_TRUE(jcb::DecodeFileToSection(decoded, file));
    EXPECT_EQ(decoded.Width(), 40);
    EXPECT_EQ(decoded.Height(), 30);
    EXPECT_LT(meanError(decoded, picture), 2.0);
}

TEST_F(JpegCodecBindingTest, UnwritableTargetFailsAndLeavesNoFile) {
    const DibSection source = jpegtest::sectionOf(jpegtest::gradient(8, 8));
    const QString file = path(QStringLiteral("no/such/folder/out.jpg"));
    EXPECT_FALSE(jcb::EncodeSectionToFile(source, file, 50));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(jcb::EncodeSectionToFile(source, QString(), 50));
}

TEST_F(JpegCodecBindingTest, MissingOrUnreadableFileLeavesTheSectionAsItWas) {
    DibSection s = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
    EXPECT_FALSE(jcb::DecodeFileToSection(s, path(QStringLiteral("missing.jpg"))));
    EXPECT_EQ(s.Width(), 6);
    EXPECT_EQ(jpegtest::distance(pixelAt(s, 0, 0), qRgb(255, 0, 0)), 0);
    EXPECT_FALSE(jcb::DecodeFileToSection(s, dir.path())); // a folder
    EXPECT_EQ(s.Width(), 6);

    QFile text(path(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a picture at all");
    text.close();
    EXPECT_FALSE(jcb::DecodeFileToSection(s, text.fileName()));
    EXPECT_EQ(s.Width(), 6);

    DibSection empty;
    EXPECT_FALSE(jcb::DecodeFileToSection(empty, path(QStringLiteral("missing.jpg"))));
    EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(JpegCodecBindingTest, BytesThatAreNotAJpegFailWithoutTouchingTheSection) {
    DibSection s = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
    const QByteArray junk("GIF89a and then some bytes that are not a JPEG");
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(junk), std::int32_t(junk.size())));
    EXPECT_EQ(s.Width(), 6);
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, nullptr, 100));
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(junk), 0));
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(junk), -5));
    // Only the first bytes of a real JPEG: not even its header.
    const QByteArray jpeg = jcb::EncodeSectionToText(s, 50);
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(jpeg), 10));
    EXPECT_EQ(s.Width(), 6);
}

TEST_F(JpegCodecBindingTest, GreyJpegDecodesIntoThreeEqualChannels) {
    const int w = 33, h = 17;
    std::vector<unsigned char> grey(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            grey[size_t(y) * w + size_t(x)] = static_cast<unsigned char>(x * 255 / (w - 1));
    const QByteArray jpeg = encodeRaw(grey, w, h, TJPF_GRAY, TJSAMP_GRAY);
    ASSERT_FALSE(jpeg.isEmpty());

    DibSection s;
    ASSERT_TRUE(jcb::DecodeBufferToSection(s, bytesOf(jpeg), std::int32_t(jpeg.size())));
    ASSERT_EQ(s.Width(), w);
    ASSERT_EQ(s.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const jpegtest::Bgr p = pixelAt(s, x, y);
            ASSERT_EQ(p.b, p.g);
            ASSERT_EQ(p.g, p.r);
            ASSERT_NEAR(p.r, grey[size_t(y) * w + size_t(x)], 6) << x << "," << y;
        }
}

TEST_F(JpegCodecBindingTest, FourChannelJpegDecodesToColour) {
    // Stored the way nearly all four-channel JPEGs are: inverted, 255 meaning no ink.
    // Top half: no cyan ink, full magenta and yellow, no black: red. Bottom half: full
    // black: black whatever the other inks.
    const int w = 32, h = 32;
    std::vector<unsigned char> cmyk(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &cmyk[(size_t(y) * w + size_t(x)) * 4];
            const bool top = y < h / 2;
            p[0] = 255;
            p[1] = 0;
            p[2] = 0;
            p[3] = top ? 255 : 0;
        }
    const QByteArray jpeg = encodeRaw(cmyk, w, h, TJPF_CMYK, TJSAMP_444);
    ASSERT_FALSE(jpeg.isEmpty());
    DibSection s;
    ASSERT_TRUE(jcb::DecodeBufferToSection(s, bytesOf(jpeg), std::int32_t(jpeg.size())));
    ASSERT_EQ(s.Width(), w);
    EXPECT_LE(jpegtest::distance(pixelAt(s, 16, 4), qRgb(255, 0, 0)), 12);
    EXPECT_LE(jpegtest::distance(pixelAt(s, 16, 28), qRgb(0, 0, 0)), 12);
}

TEST_F(JpegCodecBindingTest, TruncatedDataFailsAndLeavesNoHalfPicture) {
    const DibSection source = jpegtest::sectionOf(jpegtest::noise(64, 64, 8));
    const QByteArray jpeg = jcb::EncodeSectionToText(source, 80);
    DibSection s = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
    // Cut inside the picture data: the header is whole, the pixels are not.
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(jpeg), std::int32_t(jpeg.size() * 2 / 3)));
    EXPECT_TRUE(s.IsEmpty());
    // Cut inside the tables: no size can be read, and the section is not touched.
    s = jpegtest::sectionOf(jpegtest::quadrants(6, 4));
    EXPECT_FALSE(jcb::DecodeBufferToSection(s, bytesOf(jpeg), 100));
    EXPECT_EQ(s.Width(), 6);
}
