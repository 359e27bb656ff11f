#include "DibSection.h"
#include "JpegTestImages.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace BrevantJPEG;
using jpegtest::pixelAt;

namespace {

// Sets pixel (x, y) counted in storage order: row 0 is the bottom row.
void setStored(DibSection& s, int x, int row, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::uint8_t* p = s.DIBSectionBitsPtr() + std::int64_t{row} * s.BytesPerScanLine() + 3 * x;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

const std::uint8_t* stored(const DibSection& s, int x, int row) {
    return s.DIBSectionBitsPtr() + std::int64_t{row} * s.BytesPerScanLine() + 3 * x;
}

} // namespace

TEST(DibSectionLayout, ScanLinesArePaddedToFourBytes) {
    const int expected[] = {4, 8, 12, 12, 16, 20, 24, 24};
    for (int w = 1; w <= 8; ++w) {
        DibSection s;
        ASSERT_TRUE(s.Create(w, 2, 3));
        EXPECT_EQ(s.BytesPerScanLine(), expected[w - 1]) << "width " << w;
        EXPECT_EQ(s.BytesPerScanLine() % 4, 0);
        EXPECT_GE(s.BytesPerScanLine(), 3 * w);
    }
}

TEST(DibSectionLayout, HeaderDescribesBottomUp24BitPixels) {
    DibSection s;
    ASSERT_TRUE(s.Create(5, 3, 3));
    const BitmapInfoHeader& h = s.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3); // positive: bottom-up
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 16u * 3u); // 15 bytes of pixels + 1 padding byte per row
    // A new bitmap is black, padding included.
    for (std::uint32_t i = 0; i < h.biSizeImage; ++i)
        ASSERT_EQ(s.DIBSectionBitsPtr()[i], 0) << "byte " << i;
}

TEST(DibSectionLayout, CreateRefusesWhatItCannotHold) {
    DibSection s;
    EXPECT_FALSE(s.Create(0, 10, 3));
    EXPECT_FALSE(s.Create(10, -1, 3));
    EXPECT_FALSE(s.Create(10, 10, 4));       // only three channels
    EXPECT_FALSE(s.Create(60000, 60000, 3)); // more than a 32-bit byte count
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Width(), 0);
    EXPECT_EQ(s.BytesPerScanLine(), 0);
    EXPECT_EQ(s.DIBSectionBitsPtr(), nullptr);
}

TEST(DibSectionLayout, CreateAgainReplacesTheBitmap) {
    DibSection s;
    ASSERT_TRUE(s.Create(4, 4, 3));
    std::memset(s.DIBSectionBitsPtr(), 0x7F, s.Header().biSizeImage);
    ASSERT_TRUE(s.Create(7, 2, 3));
    EXPECT_EQ(s.Width(), 7);
    EXPECT_EQ(s.Height(), 2);
    for (std::uint32_t i = 0; i < s.Header().biSizeImage; ++i)
        ASSERT_EQ(s.DIBSectionBitsPtr()[i], 0);
    // A failed Create leaves the section empty, not holding the old bitmap.
    EXPECT_FALSE(s.Create(-3, 2, 3));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(DibSectionLayout, ClearUpOnEmptyAndOnHolding) {
    DibSection s;
    s.ClearUp();
    s.ClearUp();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Width(), 0);
    EXPECT_EQ(s.Height(), 0);
    EXPECT_TRUE(s.ToImage().isNull());
    ASSERT_TRUE(s.Create(3, 3, 3));
    s.ClearUp();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Header().biSize, 0u);
    EXPECT_EQ(s.DIBSectionBitsPtr(), nullptr);
}

TEST(DibSectionLayout, MovingHandsOverTheBitmap) {
    DibSection a;
    ASSERT_TRUE(a.Create(3, 2, 3));
    const std::uint8_t* bits = a.DIBSectionBitsPtr();
    DibSection b(std::move(a));
    EXPECT_TRUE(a.IsEmpty()); // NOLINT(bugprone-use-after-move): the moved-from state is checked
    EXPECT_EQ(b.DIBSectionBitsPtr(), bits);
    EXPECT_EQ(b.Width(), 3);
}

TEST(DibSectionFromPicture, StoresBlueGreenRedBottomRowFirst) {
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(0, 0, qRgb(10, 20, 30)); // top-left
    picture.setPixel(2, 1, qRgb(40, 50, 60)); // bottom-right
    DibSection s = jpegtest::sectionOf(picture);
    ASSERT_EQ(s.Width(), 3);
    // Top-left of the picture lives in the last stored row, blue first.
    const std::uint8_t* topLeft = stored(s, 0, 1);
    EXPECT_EQ(topLeft[0], 30);
    EXPECT_EQ(topLeft[1], 20);
    EXPECT_EQ(topLeft[2], 10);
    const std::uint8_t* bottomRight = stored(s, 2, 0);
    EXPECT_EQ(bottomRight[0], 60);
    EXPECT_EQ(bottomRight[1], 50);
    EXPECT_EQ(bottomRight[2], 40);
}

TEST(DibSectionFromPicture, ZeroSizeTakesThePicturesAndWritesItBack) {
    const QImage picture = jpegtest::quadrants(21, 13);
    DibSection s;
    std::int32_t x = 0, y = 0;
    s.CreateFromPictureX(picture, x, y);
    EXPECT_EQ(x, 21);
    EXPECT_EQ(y, 13);
    EXPECT_EQ(s.Width(), 21);
    EXPECT_EQ(s.Height(), 13);
    EXPECT_EQ(s.ToImage().convertToFormat(QImage::Format_RGB32), picture);

    // Only the zero one is replaced.
    std::int32_t w = 8, h = 0;
    s.CreateFromPictureX(picture, w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 13);
}

TEST(DibSectionFromPicture, LargerSizePadsWithBlackWithoutScaling) {
    const QImage picture = jpegtest::quadrants(10, 6);
    DibSection s;
    std::int32_t x = 16, y = 9;
    s.CreateFromPictureX(picture, x, y);
    ASSERT_EQ(s.Width(), 16);
    ASSERT_EQ(s.Height(), 9);
    for (int py = 0; py < 9; ++py)
        for (int px = 0; px < 16; ++px) {
            const QRgb want = (px < 10 && py < 6) ? picture.pixel(px, py) : qRgb(0, 0, 0);
            ASSERT_EQ(jpegtest::distance(pixelAt(s, px, py), want), 0) << "at " << px << "," << py;
        }
}

TEST(DibSectionFromPicture, SmallerSizeKeepsTheTopLeftPart) {
    const QImage picture = jpegtest::gradient(30, 20);
    DibSection s;
    std::int32_t x = 7, y = 5;
    s.CreateFromPictureX(picture, x, y);
    ASSERT_EQ(s.Width(), 7);
    EXPECT_EQ(s.ToImage().convertToFormat(QImage::Format_RGB32), picture.copy(0, 0, 7, 5));
}

TEST(DibSectionFromPicture, EveryFormatIsCopiedExactlyAcrossBandsAndFromAnyOffset) {
    // 70 rows: the copy works in bands of rows, and the last band is a short one.
    QImage gradient = jpegtest::gradient(45, 70).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 70; ++y) // translucent rows, which premultiplied formats must undo
        for (int x = 0; x < 45; x += 2)
            gradient.setPixel(x, y, (gradient.pixel(x, y) & 0xFFFFFFu) | (QRgb(y * 3) << 24));
    const QImage::Format formats[] = {QImage::Format_RGB32,    QImage::Format_ARGB32_Premultiplied,
                                      QImage::Format_RGB888,   QImage::Format_BGR888,
                                      QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                      QImage::Format_RGB16,    QImage::Format_RGBA64,
                                      QImage::Format_Mono};
    for (const QImage::Format format : formats) {
        QImage picture = gradient.convertToFormat(format);
        // Premultiplied pixels are divided by alpha as Qt does it on the way to ARGB32 (its
        // direct way to three bytes rounds a few of them one level differently).
        const QImage wanted = (format == QImage::Format_ARGB32_Premultiplied
                                   ? picture.convertToFormat(QImage::Format_ARGB32)
                                   : picture)
                                  .convertToFormat(QImage::Format_BGR888);
        const DibSection whole = jpegtest::sectionOf(picture);
        ASSERT_EQ(whole.Width(), 45) << "format " << format;
        EXPECT_EQ(whole.ToImage(), wanted) << "format " << format;

        // From inside the picture, so that each band starts mid-row.
        DeviceContext dc(picture);
        DibSection part;
        ASSERT_TRUE(part.Create(30, 50, 3));
        part.LoadPictureBlt(dc, 7, 13, -1, -1, Rop::SrcCopy);
        EXPECT_EQ(part.ToImage(), wanted.copy(7, 13, 30, 50)) << "format " << format;
    }
}

TEST(DibSectionFromPicture, NoPictureAndNoSizeCreatesNothing) {
    DibSection s;
    std::int32_t x = 0, y = 0;
    s.CreateFromPictureX(QImage(), x, y);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(DibSectionResample, HalvingSamplesTheDocumentedColumnsAndRows) {
    // Every stored pixel names its own column and row, so each sample can be traced.
    DibSection s;
    ASSERT_TRUE(s.Create(400, 200, 3));
    for (int row = 0; row < 200; ++row)
        for (int col = 0; col < 400; ++col)
            setStored(s, col, row, std::uint8_t(col & 0xFF), std::uint8_t(col >> 8),
                      std::uint8_t(row));
    const auto r = s.Resample2(100, 200); // height first
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Width(), 200);
    EXPECT_EQ(r->Height(), 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::uint8_t* p = stored(*r, x, y);
            const int col = p[0] | (p[1] << 8);
            // floor(x * 399 / 200) and floor(y * 199 / 100), in exact integer arithmetic.
            ASSERT_EQ(col, x * 399 / 200) << "column for " << x;
            ASSERT_EQ(p[2], y * 199 / 100) << "row for " << y;
            ASSERT_LT(col, 399); // the last column is never sampled
            ASSERT_LT(p[2], 199);
        }
    EXPECT_EQ(stored(*r, 199, 0)[0] | (stored(*r, 199, 0)[1] << 8), 397);
    // The source is untouched.
    EXPECT_EQ(s.Width(), 400);
    EXPECT_EQ(stored(s, 399, 199)[0], 399 & 0xFF);
}

TEST(DibSectionResample, EnlargingTwoByTwoTakesTheBottomLeftPixel) {
    DibSection s;
    ASSERT_TRUE(s.Create(2, 2, 3));
    setStored(s, 0, 0, 1, 2, 3); // bottom-left
    setStored(s, 1, 0, 4, 5, 6);
    setStored(s, 0, 1, 7, 8, 9);
    setStored(s, 1, 1, 10, 11, 12);
    const auto r = s.Resample2(4, 4);
    ASSERT_TRUE(r);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            const std::uint8_t* p = stored(*r, col, row);
            ASSERT_EQ(p[0], 1);
            ASSERT_EQ(p[1], 2);
            ASSERT_EQ(p[2], 3);
        }
}

TEST(DibSectionResample, SameSizeIsAnExactCopyIncludingTheLastRowAndColumn) {
    DibSection s = jpegtest::sectionOf(jpegtest::noise(13, 7, 5));
    const auto r = s.Resample2(7, 13);
    ASSERT_TRUE(r);
    ASSERT_NE(r->DIBSectionBitsPtr(), s.DIBSectionBitsPtr());
    EXPECT_EQ(std::memcmp(r->DIBSectionBitsPtr(), s.DIBSectionBitsPtr(), s.Header().biSizeImage),
              0);
}

TEST(DibSectionResample, OnePixelWideSourceFillsEveryColumn) {
    DibSection s;
    ASSERT_TRUE(s.Create(1, 3, 3));
    setStored(s, 0, 0, 9, 9, 9);
    const auto r = s.Resample2(2, 5);
    ASSERT_TRUE(r);
    for (int col = 0; col < 5; ++col)
        EXPECT_EQ(stored(*r, col, 0)[0], 9);
}

TEST(DibSectionResample, NothingFromAnEmptySectionOrToAnEmptySize) {
    DibSection empty;
    EXPECT_EQ(empty.Resample2(4, 4), nullptr);
    DibSection s;
    ASSERT_TRUE(s.Create(4, 4, 3));
    EXPECT_EQ(s.Resample2(0, 4), nullptr);
    EXPECT_EQ(s.Resample2(4, -2), nullptr);
}

TEST(DibSectionDrawing, PaintPictureCopiesAtTheDestination) {
    DibSection s = jpegtest::sectionOf(jpegtest::quadrants(4, 4));
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(qRgb(7, 7, 7));
    DeviceContext dc(target);
    s.PaintPicture(dc, 3, 2); // negative size: the section's own
    EXPECT_EQ(target.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(6, 2), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(3, 5), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(6, 5), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(7, 2), qRgb(7, 7, 7));
    EXPECT_EQ(target.pixel(2, 2), qRgb(7, 7, 7));

    // A source offset and a smaller size: only the bottom-right quadrant.
    target.fill(qRgb(7, 7, 7));
    s.PaintPicture(dc, 0, 0, 2, 2, 2, 2);
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(2, 0), qRgb(7, 7, 7));
    EXPECT_EQ(target.pixel(0, 2), qRgb(7, 7, 7));
}

TEST(DibSectionDrawing, RasterOperationsFollowTheirBitRules) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(qRgb(0xF0, 0x0F, 0x55));
    DibSection s = jpegtest::sectionOf(one);
    struct Case {
        std::uint32_t rop;
        QRgb expected; // destination starts as 0x3C, 0x3C, 0xFF
    };
    const Case cases[] = {
        {Rop::SrcCopy, qRgb(0xF0, 0x0F, 0x55)},    {Rop::SrcPaint, qRgb(0xFC, 0x3F, 0xFF)},
        {Rop::SrcAnd, qRgb(0x30, 0x0C, 0x55)},     {Rop::SrcInvert, qRgb(0xCC, 0x33, 0xAA)},
        {Rop::NotSrcCopy, qRgb(0x0F, 0xF0, 0xAA)}, {Rop::DstInvert, qRgb(0xC3, 0xC3, 0x00)},
        {Rop::Blackness, qRgb(0, 0, 0)},           {Rop::Whiteness, qRgb(0xFF, 0xFF, 0xFF)},
    };
    for (const Case& c : cases) {
        // A 24-bit target too, which needs the 32-bit detour for raster operations.
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
            QImage target(1, 1, format);
            target.fill(qRgb(0x3C, 0x3C, 0xFF));
            DeviceContext dc(target);
            s.PaintPicture(dc, 0, 0, -1, -1, 0, 0, c.rop);
            EXPECT_EQ(target.pixel(0, 0) & 0xFFFFFF, c.expected & 0xFFFFFF)
                << std::hex << "rop " << c.rop << " format " << int(format);
            EXPECT_EQ(target.format(), format);
        }
    }
    // An operation QPainter cannot do draws nothing.
    QImage target(1, 1, QImage::Format_RGB32);
    target.fill(qRgb(1, 2, 3));
    DeviceContext dc(target);
    s.PaintPicture(dc, 0, 0, -1, -1, 0, 0, 0x00E20746);
    EXPECT_EQ(target.pixel(0, 0), qRgb(1, 2, 3));
}

TEST(DibSectionDrawing, LoadPictureBltReadsFromTheContextAtTheSourceOffset) {
    QImage picture = jpegtest::quadrants(8, 8);
    DeviceContext dc(picture);
    DibSection s;
    ASSERT_TRUE(s.Create(4, 4, 3));
    s.LoadPictureBlt(dc, 4, 4, -1, -1, Rop::SrcCopy); // the white quadrant
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(jpegtest::distance(pixelAt(s, x, y), qRgb(255, 255, 255)), 0);
    // Partly outside the source: what lies outside stays as it was.
    ASSERT_TRUE(s.Create(4, 4, 3));
    s.LoadPictureBlt(dc, 6, 0, 4, 4, Rop::SrcCopy);
    EXPECT_EQ(jpegtest::distance(pixelAt(s, 0, 0), qRgb(0, 255, 0)), 0);
    EXPECT_EQ(jpegtest::distance(pixelAt(s, 1, 3), qRgb(0, 255, 0)), 0);
    EXPECT_EQ(jpegtest::distance(pixelAt(s, 2, 0), qRgb(0, 0, 0)), 0);
    // Inverting through a raster operation.
    s.LoadPictureBlt(dc, 0, 0, 1, 1, Rop::NotSrcCopy);
    EXPECT_EQ(jpegtest::distance(pixelAt(s, 0, 0), qRgb(0, 255, 255)), 0);
}

TEST(DibSectionStretch, SwitchesToHalftoneWhenShrinkingOrAsked) {
    DibSection s;
    ASSERT_TRUE(s.Create(10, 10, 3));
    QImage target(40, 40, QImage::Format_RGB32);
    struct Case {
        int w, h;
        bool always;
        bool halftone;
    };
    const Case cases[] = {
        {20, 20, false, false}, // larger: left alone
        {10, 10, false, false}, // same size: left alone
        {-1, -1, false, false}, // negative: the section's own size
        {20, 20, true, true},   // asked for
        {9, 20, false, true},   // narrower
        {20, 9, false, true},   // lower
        {0, 0, false, true},    // nothing drawn, but still smaller
    };
    for (const Case& c : cases) {
        DeviceContext dc(target);
        s.Stretch(dc, 0, 0, c.w, c.h, 0, 0, Rop::SrcCopy, c.always);
        EXPECT_EQ(dc.stretchMode() == StretchMode::Halftone, c.halftone)
            << c.w << "x" << c.h << " always " << c.always;
    }
}

TEST(DibSectionStretch, HalftoneSmoothsAndStaysSetOnTheContext) {
    QImage edge(2, 1, QImage::Format_RGB32);
    edge.setPixel(0, 0, qRgb(0, 0, 0));
    edge.setPixel(1, 0, qRgb(255, 255, 255));
    DibSection s = jpegtest::sectionOf(edge);
    auto intermediates = [](const QImage& image) {
        int count = 0;
        for (int x = 0; x < image.width(); ++x) {
            const int v = qRed(image.pixel(x, 0));
            count += (v > 10 && v < 245) ? 1 : 0;
        }
        return count;
    };

    QImage target(16, 1, QImage::Format_RGB32);
    DeviceContext dc(target);
    s.Stretch(dc, 0, 0, 16, 1, 0, 0, Rop::SrcCopy, false);
    EXPECT_EQ(intermediates(target), 0); // nearest pixel: only black and white
    EXPECT_EQ(qRed(target.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(target.pixel(15, 0)), 255);

    s.Stretch(dc, 0, 0, 16, 1, 0, 0, Rop::SrcCopy, true);
    EXPECT_GT(intermediates(target), 0);

    // The mode is not put back: a later plain enlargement on the same context is smooth.
    target.fill(Qt::red);
    s.Stretch(dc, 0, 0, 16, 1, 0, 0, Rop::SrcCopy, false);
    EXPECT_GT(intermediates(target), 0);
}

TEST(DibSectionStretch, ShrinkingAveragesAndZeroSizeDrawsNothing) {
    // Alternating columns average to grey under halftone.
    QImage stripes(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    DibSection s = jpegtest::sectionOf(stripes);
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::red);
    DeviceContext dc(target);
    s.Stretch(dc, 0, 0, 4, 4);
    EXPECT_NEAR(qGreen(target.pixel(1, 1)), 128, 20);
    EXPECT_EQ(target.pixel(5, 5), qRgb(255, 0, 0));

    target.fill(Qt::red);
    s.Stretch(dc, 0, 0, 4, 0);
    s.Stretch(dc, 0, 0, 0, 4);
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
}
