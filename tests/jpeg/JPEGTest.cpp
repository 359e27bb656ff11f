#include "JPEG.h"
#include "JpegTestImages.h"
#include "ScopedState.h"
#include "TestPictures.h"

#include <ComponentKit.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <turbojpeg.h>

using BrevantJPEG::DeviceContext;
using BrevantJPEG::JPEG;
using quillet::test::quadrants;

namespace {

// Decodes with the codec directly, independently of the library under test.
QImage decode(const QByteArray& jpeg) {
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, subsampling = 0, colourSpace = 0;
    QImage image;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    if (tjDecompressHeader3(handle, data, static_cast<unsigned long>(jpeg.size()), &w, &h,
                            &subsampling, &colourSpace) == 0 &&
        w > 0 && h > 0) {
        image = QImage(w, h, QImage::Format_RGB888);
        if (tjDecompress2(handle, data, static_cast<unsigned long>(jpeg.size()), image.bits(), w,
                          int(image.bytesPerLine()), h, TJPF_RGB, 0) != 0)
            image = QImage();
    }
    tjDestroy(handle);
    return image;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Close enough after JPEG coding of flat areas.
bool near(QRgb a, QRgb b, int tolerance = 30) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) <=
           tolerance;
}

class JPEGTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        JPEG::ClearLastError();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // A JPEG file of the given size on disk, made by the library itself.
    QString jpegFile(const char* name, int w, int h) {
        const QString file = path(name);
        jpeg.SaveJPEG(quadrants(w, h), file, 90);
        return file;
    }

    QTemporaryDir dir;
    JPEG jpeg;
};

} // namespace

TEST_F(JPEGTest, SaveJPEGWithoutSizesWritesThePictureAtQualityFifty) {
    const QImage picture = quadrants(64, 48);
    jpeg.SaveJPEG(picture, path("a.jpg"));
    const QByteArray written = readFile(path("a.jpg"));
    const QImage decoded = decode(written);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(64, 48));
    // The same bytes as an explicit quality of 50, and not those of its neighbours.
    EXPECT_EQ(written, jpeg.SaveJPEGToMemory(picture, 50));
    EXPECT_NE(written, jpeg.SaveJPEGToMemory(picture, 49));
    EXPECT_NE(written, jpeg.SaveJPEGToMemory(picture, 51));
    EXPECT_EQ(jpeg.SaveJPEGToMemory(picture), jpeg.SaveJPEGToMemory(picture, 50));
}

TEST_F(JPEGTest, SizesOfZeroAreWrittenBackAndOthersKept) {
    const QImage picture = quadrants(40, 30);
    int w = 0, h = 0;
    jpeg.SaveJPEG(picture, path("b.jpg"), 80, w, h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);

    w = 0;
    h = 12;
    const QByteArray bytes = jpeg.SaveJPEGToMemory(picture, 80, w, h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 12);
    EXPECT_EQ(decode(bytes).size(), QSize(40, 12));

    w = 24;
    jpeg.SaveJPEGToMemory(picture, 80, w);
    EXPECT_EQ(w, 24);
}

TEST_F(JPEGTest, WiderThanThePicturePadsTheRightWithBlack) {
    const QImage picture = quadrants(32, 32);
    int w = 64, h = 0;
    jpeg.SaveJPEG(picture, path("c.jpg"), 90, w, h);
    const QImage decoded = decode(readFile(path("c.jpg")));
    ASSERT_EQ(decoded.size(), QSize(64, 32));
    EXPECT_TRUE(near(decoded.pixel(4, 4), qRgb(255, 0, 0)));  // not scaled: red stays left
    EXPECT_TRUE(near(decoded.pixel(28, 4), qRgb(0, 255, 0))); // green ends at column 31
    EXPECT_TRUE(near(decoded.pixel(44, 4), qRgb(0, 0, 0)));   // the extra columns
    EXPECT_TRUE(near(decoded.pixel(60, 28), qRgb(0, 0, 0)));
    EXPECT_TRUE(near(decoded.pixel(28, 28), qRgb(255, 255, 255)));
}

TEST_F(JPEGTest, ResampledWithOneSizeKeepsTheOriginalSize) {
    const QString source = jpegFile("640.jpg", 640, 480);
    jpeg.SaveJPEGResampled(source, path("one.jpg"), 50, 320, 0);
    EXPECT_EQ(decode(readFile(path("one.jpg"))).size(), QSize(640, 480));
    jpeg.SaveJPEGResampled(source, path("other.jpg"), 50, 0, 100);
    EXPECT_EQ(decode(readFile(path("other.jpg"))).size(), QSize(640, 480));
    EXPECT_EQ(decode(jpeg.SaveJPEGToMemoryResampled(source, 50, 320, 0)).size(), QSize(640, 480));
}

TEST_F(JPEGTest, ResampledWithBothSizesIsForcedAndDistorted) {
    const QString source = jpegFile("640.jpg", 640, 480);
    const QImage square = decode(jpeg.SaveJPEGToMemoryResampled(source, 90, 320, 320));
    ASSERT_EQ(square.size(), QSize(320, 320));
    // Stretched, not letter-boxed: each quadrant fills a quarter, no black bars.
    EXPECT_TRUE(near(square.pixel(80, 4), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(square.pixel(240, 4), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(square.pixel(80, 316), qRgb(0, 0, 255)));
    EXPECT_TRUE(near(square.pixel(240, 316), qRgb(255, 255, 255)));
    EXPECT_TRUE(near(square.pixel(80, 150), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(square.pixel(80, 170), qRgb(0, 0, 255)));

    const QVariant result = jpeg.SaveJPEGResampled(source, path("sq.jpg"), 90, 200, 100);
    EXPECT_FALSE(result.isValid());
    EXPECT_EQ(decode(readFile(path("sq.jpg"))).size(), QSize(200, 100));
}

TEST_F(JPEGTest, ResampledFromAMissingFileProducesNothing) {
    EXPECT_TRUE(jpeg.SaveJPEGToMemoryResampled(path("missing.jpg")).isEmpty());
    EXPECT_EQ(JPEG::LastError().Number, 26001);
    EXPECT_EQ(JPEG::LastError().Source, QStringLiteral("BrevantJPEG.JpegCodecBinding"));
    EXPECT_FALSE(jpeg.SaveJPEGResampled(path("missing.jpg"), path("out.jpg")).isValid());
    EXPECT_FALSE(QFile::exists(path("out.jpg")));
    // Sizes the resampler refuses leave nothing to encode either.
    const QString source = jpegFile("s.jpg", 16, 16);
    EXPECT_TRUE(jpeg.SaveJPEGToMemoryResampled(source, 50, -4, 8).isEmpty());
}

TEST_F(JPEGTest, LoadJPEGFromRAMToPictureAlwaysReturnsNoPicture) {
    const QByteArray bytes = jpeg.SaveJPEGToMemory(quadrants(8, 8));
    EXPECT_TRUE(jpeg.LoadJPEGFromRAMToPicture(bytes, int(bytes.size())).isNull());
    EXPECT_TRUE(jpeg.LoadJPEGFromRAMToPicture(bytes, int(bytes.size()), 8, 8).isNull());
}

TEST_F(JPEGTest, LoadJPEGFromRAM2PictureRejectsWhatIsNotAJpegAndDrawsNothing) {
    QImage target(20, 20, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    const QImage before = target;
    DeviceContext dc(target);
    const QByteArray junk("\xFF\xD8 definitely not the rest of a JPEG");
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(&dc, junk, int(junk.size())));
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(&dc, QByteArray(), 0));
    EXPECT_EQ(target, before);
    EXPECT_EQ(dc.stretchMode(), BrevantJPEG::StretchMode::BlackOnWhite);
}

TEST_F(JPEGTest, LoadJPEGFromRAM2PictureDrawsInItsOwnSizeThenStretched) {
    const QByteArray bytes = jpeg.SaveJPEGToMemory(quadrants(16, 16), 95);
    QImage target(64, 64, QImage::Format_RGB32);

    // Both sizes 0: own size only.
    target.fill(qRgb(1, 2, 3));
    DeviceContext dc(target);
    EXPECT_TRUE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, int(bytes.size())));
    EXPECT_TRUE(near(target.pixel(2, 2), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(target.pixel(13, 13), qRgb(255, 255, 255)));
    EXPECT_EQ(target.pixel(20, 20), qRgb(1, 2, 3));
    EXPECT_EQ(dc.stretchMode(), BrevantJPEG::StretchMode::Halftone);

    // Both sizes given: stretched over the first drawing.
    target.fill(qRgb(1, 2, 3));
    EXPECT_TRUE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, int(bytes.size()), 48, 32));
    EXPECT_TRUE(near(target.pixel(10, 4), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(target.pixel(44, 28), qRgb(255, 255, 255)));
    EXPECT_TRUE(near(target.pixel(36, 4), qRgb(0, 255, 0))); // beyond the first drawing
    EXPECT_EQ(target.pixel(50, 4), qRgb(1, 2, 3));
    EXPECT_EQ(target.pixel(4, 40), qRgb(1, 2, 3));

    // Only one size: the second drawing has no area and shows nothing.
    target.fill(qRgb(1, 2, 3));
    EXPECT_TRUE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, int(bytes.size()), 48, 0));
    EXPECT_TRUE(near(target.pixel(2, 2), qRgb(255, 0, 0)));
    EXPECT_EQ(target.pixel(20, 4), qRgb(1, 2, 3));
}

TEST_F(JPEGTest, LoadJPEGFromRAM2PictureNeverReadsPastTheArray) {
    const QByteArray bytes = jpeg.SaveJPEGToMemory(quadrants(16, 16), 95);
    QImage target(16, 16, QImage::Format_RGB32);
    DeviceContext dc(target);
    // A size beyond the array is cut to the array (the sanitizers would catch a read past it).
    EXPECT_TRUE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, int(bytes.size()) + 100000));
    // A size short of the data is the caller's word: the picture is incomplete.
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, int(bytes.size()) / 2));
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(&dc, bytes, -1));
}

TEST_F(JPEGTest, HugeClaimedSizeIsRefusedByEveryDecodingMethod) {
    const QByteArray hostile =
        jpegtest::claimingSize(jpeg.SaveJPEGToMemory(quadrants(64, 64), 90), 26000, 27000);
    ASSERT_FALSE(hostile.isEmpty());
    const QString file = path("hostile.jpg");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(hostile);
    out.close();

    const long before = jpegtest::peakMemoryMb();
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    DeviceContext dc(target);
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(&dc, hostile, int(hostile.size())));
    EXPECT_FALSE(jpeg.LoadJPEGFromRAM2Picture(nullptr, hostile, int(hostile.size())));
    EXPECT_EQ(target.pixel(4, 4), qRgb(1, 2, 3));
    EXPECT_TRUE(jpeg.SaveJPEGToMemoryResampled(file, 50, 10, 10).isEmpty());
    jpeg.SaveJPEGResampled(file, path("copy.jpg"));
    EXPECT_FALSE(QFile::exists(path("copy.jpg")));
    EXPECT_LT(jpegtest::peakMemoryMb() - before, 256);

    // The ceiling is the caller's: lowered below a real picture, that picture is refused.
    const BrevantJPEG::JpegDecodeLimits saved = JPEG::DecodeLimits();
    const QString real = jpegFile("real.jpg", 40, 30);
    JPEG::SetDecodeLimits({40 * 30 - 1, saved.MaxPixelsPerByte});
    EXPECT_TRUE(jpeg.SaveJPEGToMemoryResampled(real).isEmpty());
    JPEG::SetDecodeLimits(saved);
    EXPECT_FALSE(jpeg.SaveJPEGToMemoryResampled(real).isEmpty());
}

TEST_F(JPEGTest, PicturesReadInPlaceGiveTheSameBytesAsThroughTheSection) {
    // The section route, taken for 64-bit pictures, is the reference: pictures the codec
    // can read as they are must come out byte for byte the same.
    // Half the picture is half transparent: alpha that is not premultiplied is dropped.
    QImage picture = quadrants(37, 29).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 18; ++x)
            picture.setPixel(x, y, (picture.pixel(x, y) & 0xFFFFFFu) | 0x80000000u);
    const QImage reference =
        picture.convertToFormat(QImage::Format_BGR888).convertToFormat(QImage::Format_RGBA64);
    const QByteArray wanted = jpeg.SaveJPEGToMemory(reference, 80);
    ASSERT_FALSE(wanted.isEmpty());
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
          QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_RGBX8888,
          QImage::Format_RGBA8888}) {
        const QImage same = format == QImage::Format_ARGB32 || format == QImage::Format_RGBA8888
                                ? picture.convertToFormat(format)
                                : reference.convertToFormat(format);
        EXPECT_EQ(jpeg.SaveJPEGToMemory(same, 80), wanted) << "format " << format;
        int width = 37, height = 0; // its own size given: still read in place
        EXPECT_EQ(jpeg.SaveJPEGToMemory(same, 80, width, height), wanted) << "format " << format;
        EXPECT_EQ(height, 29);
        jpeg.SaveJPEG(same, path("same.jpg"), 80);
        EXPECT_EQ(readFile(path("same.jpg")), wanted) << "format " << format;
        // A crop still crops.
        width = 20;
        height = 10;
        EXPECT_EQ(decode(jpeg.SaveJPEGToMemory(same, 80, width, height)).size(), QSize(20, 10));
    }
    // Premultiplied and not opaque: its colours are divided by alpha, through the section.
    QImage translucent(37, 29, QImage::Format_ARGB32_Premultiplied);
    translucent.fill(qPremultiply(qRgba(200, 100, 40, 128)));
    const QImage straight = translucent.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(jpeg.SaveJPEGToMemory(translucent, 80), jpeg.SaveJPEGToMemory(straight, 80));
}

TEST_F(JPEGTest, JpegBytesHoldNoMoreMemoryThanTheyNeed) {
    // The codec's worst case for 300 x 200 pixels is over 180 KB; the picture takes a few.
    for (const QByteArray& bytes :
         {jpeg.SaveJPEGToMemory(quadrants(300, 200), 75),
          jpeg.SaveJPEGToMemoryResampled(jpegFile("q.jpg", 300, 200), 75)}) {
        ASSERT_GT(bytes.size(), 100);
        EXPECT_LT(bytes.capacity(), bytes.size() + 64);
        EXPECT_EQ(decode(bytes).size(), QSize(300, 200));
    }
}

TEST_F(JPEGTest, GlobalObjectWorksWithoutCreatingOne) {
    const QByteArray a = JPEG::Global().SaveJPEGToMemory(quadrants(8, 8), 70);
    EXPECT_EQ(a, jpeg.SaveJPEGToMemory(quadrants(8, 8), 70));
    EXPECT_EQ(&JPEG::Global(), &JPEG::Global());
}

TEST(JPEGDispatch, TheSixMethodsHaveTheirIds) {
    JPEG jpeg;
    const struct {
        const char* name;
        componentkit::DispId id;
    } members[] = {{"SaveJPEG", 0x60030000},
                   {"SaveJPEGToMemory", 0x60030001},
                   {"LoadJPEGFromRAMToPicture", 0x60030002},
                   {"LoadJPEGFromRAM2Picture", 0x60030003},
                   {"SaveJPEGToMemoryResampled", 0x60030004},
                   {"SaveJPEGResampled", 0x60030005}};
    for (const auto& m : members) {
        componentkit::DispId id = 0;
        EXPECT_EQ(componentkit::getIdOfName(&jpeg, QByteArray(m.name).toLower(), &id),
                  componentkit::S_OK)
            << m.name;
        EXPECT_EQ(id, m.id) << m.name;
    }
    const QMetaObject* meta = jpeg.metaObject();
    EXPECT_STREQ(meta->classInfo(meta->indexOfClassInfo("ProgId")).value(), "BrevantJPEG.JPEG");
}

TEST(JPEGDispatch, ByIdWithDefaultsAndWriteBack) {
    JPEG jpeg;
    const QImage picture = quadrants(30, 20);
    QVariant result;

    QVariantList args{QVariant::fromValue(picture), 60, 0, 0};
    ASSERT_EQ(componentkit::invoke(&jpeg, 0x60030001, args, &result), componentkit::S_OK);
    EXPECT_EQ(args[2].toInt(), 30); // written back through the reference
    EXPECT_EQ(args[3].toInt(), 20);
    EXPECT_EQ(result.toByteArray(), jpeg.SaveJPEGToMemory(picture, 60));

    // Optional arguments left out: quality 50.
    QVariantList shortArgs{QVariant::fromValue(picture)};
    ASSERT_EQ(componentkit::invoke(&jpeg, 0x60030001, shortArgs, &result), componentkit::S_OK);
    EXPECT_EQ(result.toByteArray(), jpeg.SaveJPEGToMemory(picture, 50));

    // Drawing through a device context handed over as a value.
    const QByteArray bytes = jpeg.SaveJPEGToMemory(picture, 90);
    QImage target(30, 20, QImage::Format_RGB32);
    target.fill(Qt::black);
    DeviceContext dc(target);
    QVariantList drawArgs{QVariant::fromValue(&dc), bytes, int(bytes.size())};
    ASSERT_EQ(componentkit::invoke(&jpeg, 0x60030003, drawArgs, &result), componentkit::S_OK);
    EXPECT_TRUE(result.toBool());
    EXPECT_TRUE(near(target.pixel(3, 3), qRgb(255, 0, 0)));

    QVariantList pictureArgs{bytes, int(bytes.size())};
    ASSERT_EQ(componentkit::invoke(&jpeg, 0x60030002, pictureArgs, &result), componentkit::S_OK);
    EXPECT_TRUE(result.value<QImage>().isNull());
}

TEST(JPEGComponent, RegistersCreatesCountsAndUnregisters) {
    // Keep the registry out of the user's files.
    const quillet::test::ScopedStandardPathsTestMode testMode;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const componentkit::Registry registry(dir.filePath(QStringLiteral("registry.ini")));

    componentkit::ServerLibrary server;
    ASSERT_EQ(server.load(QStringLiteral(BREVANTJPEG_LIBRARY_FILE)), componentkit::S_OK)
        << qPrintable(server.errorString());
    ASSERT_EQ(server.registerServer(), componentkit::S_OK);
    EXPECT_EQ(server.canUnloadNow(), componentkit::S_OK);

    // The entry point wrote to the default registry; look it up there.
    const auto entry = componentkit::Registry().findByProgId(QStringLiteral("BrevantJPEG.JPEG"));
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->libraryPath.endsWith(QStringLiteral("libbrevantjpeg.so")));

    QObject* object = nullptr;
    ASSERT_EQ(componentkit::createObject(QStringLiteral("BrevantJPEG.JPEG"), server, &object),
              componentkit::S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_NE(qobject_cast<JPEG*>(object), nullptr);
    EXPECT_EQ(server.canUnloadNow(), componentkit::S_FALSE);
    // The global object is no client's object: it does not hold the library.
    JPEG::Global();
    delete object;
    EXPECT_EQ(server.canUnloadNow(), componentkit::S_OK);

    EXPECT_EQ(server.unregisterServer(), componentkit::S_OK);
    EXPECT_FALSE(componentkit::Registry().findByProgId(QStringLiteral("BrevantJPEG.JPEG")));
    (void)registry;
}
