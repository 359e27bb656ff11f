#include "TestPictures.h"

#include <GraphicBar.h>

#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {

// 0x00BBGGRR, with the RGB each one must show as, worked out by hand.
constexpr int kBack = 0x00FF8040;
constexpr QRgb kBackRgb = 0xFF4080FF;
constexpr int kFore = 0x000020C0;
constexpr QRgb kForeRgb = 0xFFC02000;

QImage shot(GraphicBar& bar) {
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

using quillet::test::bandEdge;

// The band's edge in the colours the bars of these tests are given.
std::optional<int> bandEdge(const QImage& image) {
    return bandEdge(image, kForeRgb, kBackRgb);
}

class GraphicBarTest : public ::testing::Test {
protected:
    // Colours first, the way hosts do it, then the value.
    void setUpBar(int width, int height = 6) {
        bar.resize(width, height);
        bar.setBackColor(kBack);
        bar.setForeColor(kFore);
    }
    std::optional<int> edgeAt(int value) {
        bar.setValue(value);
        return bandEdge(shot(bar));
    }
    GraphicBar bar;
};

TEST_F(GraphicBarTest, StartsAtZeroInTheSurfaceColours) {
    EXPECT_EQ(bar.value(), 0);
    const QColor window = bar.palette().color(QPalette::Window);
    const QColor text = bar.palette().color(QPalette::WindowText);
    EXPECT_EQ(bar.backColor(), window.red() | window.green() << 8 | window.blue() << 16);
    EXPECT_EQ(bar.foreColor(), text.red() | text.green() << 8 | text.blue() << 16);
    bar.resize(40, 5);
    EXPECT_EQ(bandEdge(shot(bar), text.rgb(), window.rgb()), 0);
}

TEST_F(GraphicBarTest, ZeroAndNegativeValuesShowTheBackgroundOnly) {
    setUpBar(200);
    ASSERT_EQ(edgeAt(50), 100);
    EXPECT_EQ(edgeAt(0), 0);
    EXPECT_EQ(edgeAt(-1), 0);
    EXPECT_EQ(edgeAt(INT_MIN), 0);
    EXPECT_EQ(bar.value(), INT_MIN);
}

TEST_F(GraphicBarTest, OnePercentIsAHundredthOfTheWidthRoundedHalfToEven) {
    setUpBar(300);
    EXPECT_EQ(edgeAt(1), 3);
    bar.resize(150, 6);
    EXPECT_EQ(edgeAt(1), 2); // 1.5
    bar.resize(250, 6);
    EXPECT_EQ(edgeAt(1), 2); // 2.5
    bar.resize(350, 6);
    EXPECT_EQ(edgeAt(1), 4); // 3.5
    bar.resize(50, 6);
    EXPECT_EQ(edgeAt(1), 0); // 0.5: no band at all
    bar.resize(149, 6);
    EXPECT_EQ(edgeAt(1), 1); // 1.49
}

TEST_F(GraphicBarTest, AHundredFillsTheWholeControl) {
    setUpBar(123, 9);
    EXPECT_EQ(edgeAt(100), 123);
    EXPECT_EQ(edgeAt(99), 122); // 121.77
}

TEST_F(GraphicBarTest, AboveAHundredShowsTheBackgroundAndKeepsTheValue) {
    setUpBar(200);
    ASSERT_EQ(edgeAt(100), 200);
    EXPECT_EQ(edgeAt(101), 0);
    EXPECT_EQ(edgeAt(150), 0);
    EXPECT_EQ(bar.value(), 150);
    EXPECT_EQ(bar.property("Value").toInt(), 150);
    EXPECT_EQ(edgeAt(INT_MAX), 0);
    EXPECT_EQ(bar.value(), INT_MAX);
}

TEST_F(GraphicBarTest, LoweringTheValueLeavesNoTraceOfTheEarlierBand) {
    setUpBar(500, 12);
    ASSERT_EQ(edgeAt(80), 400);
    EXPECT_EQ(edgeAt(20), 100);
}

TEST_F(GraphicBarTest, AColourChangeRedrawsAtOnceWithTheCurrentValue) {
    setUpBar(100);
    ASSERT_EQ(edgeAt(40), 40);
    bar.setForeColor(0x0000FF00); // green
    EXPECT_EQ(bandEdge(shot(bar), qRgb(0, 255, 0), kBackRgb), 40);
    bar.setBackColor(0x00000000); // black
    EXPECT_EQ(bandEdge(shot(bar), qRgb(0, 255, 0), qRgb(0, 0, 0)), 40);
    EXPECT_EQ(bar.foreColor(), 0x0000FF00);
    EXPECT_EQ(bar.backColor(), 0);
}

TEST_F(GraphicBarTest, BandEdgesAreExact) {
    setUpBar(3000, 2);
    EXPECT_EQ(edgeAt(50), 1500);
    bar.resize(1001, 2);
    EXPECT_EQ(edgeAt(33), 330); // 330.33
    bar.resize(999, 2);
    EXPECT_EQ(edgeAt(50), 500); // 499.5
    bar.resize(997, 2);
    EXPECT_EQ(edgeAt(50), 498); // 498.5
}

TEST_F(GraphicBarTest, AnEdgeBeyondSixteenBitsShowsTheBackgroundOnly) {
    setUpBar(40000, 2);
    EXPECT_EQ(edgeAt(81), 32400);
    EXPECT_EQ(edgeAt(82), 0); // 32,800 does not fit
    EXPECT_EQ(edgeAt(100), 0);
    bar.resize(32767, 2);
    EXPECT_EQ(edgeAt(100), 32767); // the largest edge that fits
}

TEST_F(GraphicBarTest, PaintingShowsTheLastDrawingUntilAPropertyIsSet) {
    setUpBar(200);
    ASSERT_EQ(edgeAt(50), 100);
    // Growing the control does not redraw: the new part shows the background.
    bar.resize(400, 6);
    EXPECT_EQ(bandEdge(shot(bar)), 100);
    bar.repaint();
    EXPECT_EQ(bandEdge(shot(bar)), 100);
    bar.setValue(50);
    EXPECT_EQ(bandEdge(shot(bar)), 200);
    // Shrinking keeps what still fits.
    bar.resize(150, 6);
    EXPECT_EQ(bandEdge(shot(bar)), 150);
    bar.resize(300, 6);
    EXPECT_EQ(bandEdge(shot(bar)), 150);
}

TEST_F(GraphicBarTest, PropertiesWorkByName) {
    bar.resize(100, 4);
    ASSERT_TRUE(bar.setProperty("BackColor", kBack));
    ASSERT_TRUE(bar.setProperty("ForeColor", kFore));
    ASSERT_TRUE(bar.setProperty("Value", 25));
    EXPECT_EQ(bandEdge(shot(bar)), 25);
    EXPECT_EQ(bar.property("BackColor").toInt(), kBack);
    EXPECT_EQ(bar.property("ForeColor").toInt(), kFore);
}

TEST_F(GraphicBarTest, ColoursAreStoredAsSetAndDrawnFromTheirLowBytes) {
    setUpBar(10);
    bar.setForeColor(0x7F0000FF);
    EXPECT_EQ(bar.foreColor(), 0x7F0000FF);
    EXPECT_EQ(edgeAt(100), std::nullopt); // not the old colour any more
    EXPECT_EQ(bandEdge(shot(bar), qRgb(255, 0, 0), kBackRgb), 10);
}

TEST_F(GraphicBarTest, AnEmptyControlTakesValuesWithoutDrawing) {
    bar.resize(0, 0);
    bar.setValue(50);
    bar.setBackColor(kBack);
    EXPECT_EQ(bar.value(), 50);
    bar.resize(20, 3);
    EXPECT_EQ(bandEdge(shot(bar)), 0);
}

TEST(GraphicBarColourTest, ConvertsBetweenColourRefsAndColours) {
    EXPECT_EQ(GraphicBar::toQColor(0x00000000), QColor(0, 0, 0));
    EXPECT_EQ(GraphicBar::toQColor(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(GraphicBar::toQColor(0x0000FF00), QColor(0, 255, 0));
    EXPECT_EQ(GraphicBar::toQColor(0x00FF0000), QColor(0, 0, 255));
    EXPECT_EQ(GraphicBar::toQColor(0x00123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(GraphicBar::toColorRef(QColor(0x56, 0x34, 0x12)), 0x00123456);
    EXPECT_EQ(GraphicBar::toColorRef(QColor(Qt::white)), 0x00FFFFFF);
}

} // namespace
