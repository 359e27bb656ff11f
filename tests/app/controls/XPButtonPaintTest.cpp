// What the button leaves on its surface, pixel by pixel, in each of its five looks.
#include "controls/XPButton.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace quillet;

namespace {

using Rgb = std::tuple<int, int, int>;

Rgb At(const QImage& img, int x, int y) {
    const QColor c = img.pixelColor(x, y);
    return {c.red(), c.green(), c.blue()};
}

// Colours as the button's colour table lists them.
const Rgb BorderBlue{0, 60, 116};
const Rgb BorderDisabled{201, 199, 186};
const Rgb FaceTop{252, 252, 251};

struct Rows {
    Rgb rimTop, rimBottom, top1, top2, bottom1, bottom2;
};
const Rows NormalRows{{252, 252, 251}, {236, 235, 230}, {255, 255, 255},
                      {254, 254, 254}, {226, 223, 214}, {214, 208, 197}};
const Rows FocusedRows{{189, 211, 247}, {140, 174, 231}, {206, 231, 255},
                       {189, 215, 247}, {140, 174, 231}, {107, 130, 239}};
const Rows HotRows{{225, 223, 156}, {255, 182, 48}, {255, 243, 206},
                   {255, 219, 140}, {255, 178, 49}, {230, 150, 0}};

// A gradient row worked out on its own: bottom + i * step with a single-precision
// step, where i counts rows up from the bottom edge; halves go to the even neighbour.
int RoundHalfEven(double v) {
    const double f = std::floor(v);
    const double frac = v - f;
    if (frac > 0.5)
        return int(f) + 1;
    if (frac < 0.5)
        return int(f);
    return (int(f) % 2 == 0) ? int(f) : int(f) + 1;
}

Rgb GradientRow(Rgb top, Rgb bottom, int n, int rowsAboveBottom) {
    auto channel = [&](int t, int b) {
        const float step = static_cast<float>(t - b) / static_cast<float>(n);
        return RoundHalfEven(b + static_cast<double>(step) * rowsAboveBottom);
    };
    return {channel(std::get<0>(top), std::get<0>(bottom)),
            channel(std::get<1>(top), std::get<1>(bottom)),
            channel(std::get<2>(top), std::get<2>(bottom))};
}

class XPButtonPaint : public ::testing::Test {
protected:
    static constexpr int W = 75;
    static constexpr int H = 25;

    void SetUp() override {
        form.setGeometry(20, 20, 300, 120);
        button = new XPButton(&form);
        other = new XPButton(&form);
        button->setGeometry(10, 10, W, H);
        other->setGeometry(10, 60, W, H);
        QFont f = button->Font();
        f.setStyleStrategy(QFont::NoAntialias); // caption pixels in exactly the text colour
        f.setPointSize(9);
        button->SetFont(f);
        button->SetCaption(QStringLiteral("&OK"));
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        other->setFocus();
        ASSERT_FALSE(button->HasFocus());
    }

    const QImage& Draw(int state) {
        button->DrawState(state);
        EXPECT_EQ(button->ButtonState(), state);
        return button->Surface();
    }

    QWidget form;
    XPButton* button = nullptr;
    XPButton* other = nullptr;
};

TEST_F(XPButtonPaint, SurfaceHasTheButtonsSize) {
    const QImage& img = Draw(XPButton::Normal);
    EXPECT_EQ(img.width(), W);
    EXPECT_EQ(img.height(), H);
}

TEST_F(XPButtonPaint, BorderRunsBetweenTheCornersInTheStatesColour) {
    for (int s = 0; s <= 4; ++s) {
        SCOPED_TRACE(s);
        const QImage& img = Draw(s);
        const Rgb expected = s == 0 ? BorderDisabled : BorderBlue;
        for (int x = 3; x <= W - 4; ++x) {
            EXPECT_EQ(At(img, x, 0), expected) << x;
            EXPECT_EQ(At(img, x, H - 1), expected) << x;
        }
        for (int y = 3; y <= H - 4; ++y) {
            EXPECT_EQ(At(img, 0, y), expected) << y;
            EXPECT_EQ(At(img, W - 1, y), expected) << y;
        }
        // The lines stop short of their end points: those belong to the corners.
        EXPECT_NE(At(img, W - 3, 0), expected);
        EXPECT_NE(At(img, 0, H - 3), expected);
    }
}

TEST_F(XPButtonPaint, CornersFollowTheirPatternInEveryState) {
    const Rgb c1Blue{33, 85, 132}, c2Blue{123, 150, 173}, c3Blue{82, 125, 165};
    const Rgb c1Grey{196, 177, 140}, c2Grey{206, 199, 189}, c3Grey{196, 177, 140};
    for (int s = 0; s <= 4; ++s) {
        SCOPED_TRACE(s);
        const QImage& img = Draw(s);
        const Rgb c1 = s == 0 ? c1Grey : c1Blue;
        const Rgb c2 = s == 0 ? c2Grey : c2Blue;
        const Rgb c3 = s == 0 ? c3Grey : c3Blue;
        for (const auto& [x, y] : {std::pair{0, 2},
                                   {2, 0},
                                   {W - 1, 2},
                                   {W - 3, 0},
                                   {0, H - 3},
                                   {2, H - 1},
                                   {W - 1, H - 3},
                                   {W - 3, H - 1}})
            EXPECT_EQ(At(img, x, y), c1) << x << "," << y;
        for (const auto& [x, y] : {std::pair{0, 1},
                                   {1, 0},
                                   {W - 1, 1},
                                   {W - 2, 0},
                                   {0, H - 2},
                                   {1, H - 1},
                                   {W - 1, H - 2},
                                   {W - 2, H - 1}})
            EXPECT_EQ(At(img, x, y), c2) << x << "," << y;
        for (const auto& [x, y] : {std::pair{1, 1}, {W - 2, 1}, {1, H - 2}, {W - 2, H - 2}})
            EXPECT_EQ(At(img, x, y), c3) << x << "," << y;
    }
}

TEST_F(XPButtonPaint, WindowRegionCutsOnlyTheOutermostCornerPixels) {
    Draw(XPButton::Normal);
    const QRegion region = button->mask();
    for (const QPoint& p : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)})
        EXPECT_FALSE(region.contains(p)) << p.x() << "," << p.y();
    for (const QPoint& p : {QPoint(1, 0), QPoint(0, 1), QPoint(W - 2, 0), QPoint(W - 1, H - 2),
                            QPoint(W / 2, H / 2), QPoint(W - 1, 3)})
        EXPECT_TRUE(region.contains(p)) << p.x() << "," << p.y();
    EXPECT_FALSE(region.contains(QPoint(W, 3)));
}

TEST_F(XPButtonPaint, RimAndEdgeRowsTakeTheStatesColours) {
    const std::pair<int, const Rows*> cases[] = {{XPButton::Normal, &NormalRows},
                                                 {XPButton::Focused, &FocusedRows},
                                                 {XPButton::Hot, &HotRows}};
    for (const auto& [s, rows] : cases) {
        SCOPED_TRACE(s);
        const QImage& img = Draw(s);
        for (int x : {2, 5, W / 2, W - 3}) {
            EXPECT_EQ(At(img, x, 1), rows->top1) << x;
            EXPECT_EQ(At(img, x, 2), rows->top2) << x;
            EXPECT_EQ(At(img, x, H - 3), rows->bottom1) << x;
        }
        EXPECT_EQ(At(img, W - 2, 2), rows->top2) << "the second row runs under the corner";
        for (int x : {2, 5, W / 2, W - 3})
            EXPECT_EQ(At(img, x, H - 2), rows->bottom2) << x;
        // Top row of the rim gradient: its top colour, on both sides of the face.
        for (int x : {1, 2, W - 3, W - 2})
            EXPECT_EQ(At(img, x, 3), rows->rimTop) << x;
        // The face itself is the same in the three states.
        EXPECT_EQ(At(img, 5, 3), FaceTop);
    }
}

TEST_F(XPButtonPaint, RimGradientRowsRoundHalvesToEven) {
    // Hot rim over rows 3..23 (n = 20): red steps by -1.5 per row from 255 up to 225,
    // so every odd row lands on a half.
    const QImage& img = Draw(XPButton::Hot);
    // Three rows up from the bottom edge (y = 20): 255 - 4.5 = 250.5 -> 250, green
    // 182 + 3 * 2.05 = 188.15 -> 188, blue 48 + 3 * 5.4 = 64.2 -> 64.
    EXPECT_EQ(At(img, 1, 20), Rgb(250, 188, 64));
    // Five rows up (y = 18): 247.5 -> 248, 192.25 -> 192, 75.0 -> 75.
    EXPECT_EQ(At(img, 2, 18), Rgb(248, 192, 75));
    // The lowest rim row left visible (y = 21, two rows up): 252, 186.1 -> 186, 58.8 -> 59.
    EXPECT_EQ(At(img, W - 2, 21), Rgb(252, 186, 59));
    // Every visible rim row against the rule worked out independently.
    for (int y = 3; y <= H - 4; ++y) {
        const Rgb expected = GradientRow(HotRows.rimTop, HotRows.rimBottom, 20, 23 - y);
        EXPECT_EQ(At(img, 1, y), expected) << y;
        EXPECT_EQ(At(img, W - 3, y), expected) << y;
    }
}

TEST_F(XPButtonPaint, FaceGradientRunsFromLightTopToGreyBottom) {
    // The face spans rows 3..22 (n = 19) from (252, 252, 251) down to (236, 235, 230).
    for (int s : {XPButton::Normal, XPButton::Focused, XPButton::Hot}) {
        SCOPED_TRACE(s);
        const QImage& img = Draw(s);
        EXPECT_EQ(At(img, 4, 3), FaceTop);
        // One row above the bottom edge: 236 + 16/19, 235 + 17/19, 230 + 21/19.
        EXPECT_EQ(At(img, 4, 21), Rgb(237, 236, 231));
        // Middle row, y = 12, ten rows up: 236 + 8.42, 235 + 8.95, 230 + 11.05.
        EXPECT_EQ(At(img, 4, 12), Rgb(244, 244, 241));
        EXPECT_EQ(At(img, W - 4, 12), Rgb(244, 244, 241));
        EXPECT_EQ(At(img, 4, 12), GradientRow(FaceTop, {236, 235, 230}, 19, 10));
        // The face stops before the rim's last two columns.
        EXPECT_NE(At(img, W - 3, 12), At(img, W - 4, 12));
    }
}

TEST_F(XPButtonPaint, PressedAndDisabledFacesAreFlat) {
    const std::pair<int, Rgb> cases[] = {{XPButton::Pressed, {231, 227, 222}},
                                         {XPButton::Disabled, {245, 244, 234}}};
    for (const auto& [s, face] : cases) {
        SCOPED_TRACE(s);
        const QImage& img = Draw(s);
        for (const auto& [x, y] : {std::pair{2, 1},
                                   {1, 2},
                                   {5, 5},
                                   {W - 2, 3},
                                   {2, H - 2},
                                   {W - 4, H - 2},
                                   {1, H / 2},
                                   {W - 2, H / 2}})
            EXPECT_EQ(At(img, x, y), face) << x << "," << y;
    }
}

// Pixels inside the caption rectangle that have exactly one colour.
int CountInCaption(const QImage& img, Rgb color) {
    int count = 0;
    for (int y = 4; y < img.height() - 4; ++y)
        for (int x = 4; x < img.width() - 4; ++x)
            count += At(img, x, y) == color ? 1 : 0;
    return count;
}

TEST_F(XPButtonPaint, CaptionUsesForeColorWhenEnabledAndGreyWhenDisabled) {
    button->SetForeColor(0x000000FF); // red, as 0x00BBGGRR
    const Rgb red{255, 0, 0};
    const Rgb grey{161, 161, 146};
    EXPECT_GT(CountInCaption(Draw(XPButton::Normal), red), 10);
    EXPECT_EQ(CountInCaption(Draw(XPButton::Normal), grey), 0);

    button->SetEnabled(false);
    const QImage& img = button->Surface();
    EXPECT_EQ(button->ButtonState(), XPButton::Disabled);
    EXPECT_GT(CountInCaption(img, grey), 10);
    EXPECT_EQ(CountInCaption(img, red), 0);
    EXPECT_EQ(At(img, 5, 5), Rgb(245, 244, 234));
    EXPECT_EQ(At(img, 10, 0), BorderDisabled);
}

TEST_F(XPButtonPaint, CaptionIsCentredWithItsAccessKeyUnderlined) {
    button->SetCaption(QStringLiteral("&OK"));
    const QImage& plain = Draw(XPButton::Normal);
    QRect ink;
    for (int y = 3; y < H - 3; ++y)
        for (int x = 3; x < W - 3; ++x)
            if (At(plain, x, y) == Rgb(0, 0, 0))
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    // Centred in the caption rectangle (3, 3)-(W-3, H-3), to within a pixel or two.
    EXPECT_NEAR(ink.center().x(), W / 2, 2);
    EXPECT_NEAR(ink.center().y(), H / 2, 3);

    // The same text without the marker has no underline: fewer ink pixels.
    const int withUnderline = CountInCaption(plain, {0, 0, 0});
    button->SetCaption(QStringLiteral("OK"));
    const int without = CountInCaption(Draw(XPButton::Normal), {0, 0, 0});
    EXPECT_GT(withUnderline, without);

    // "&&" shows one ampersand between A and B, "&" alone shows none.
    auto inkWidth = [&](const QString& caption) {
        button->SetCaption(caption);
        const QImage& img = Draw(XPButton::Normal);
        int left = W, right = -1;
        for (int y = 3; y < H - 3; ++y)
            for (int x = 3; x < W - 3; ++x)
                if (At(img, x, y) == Rgb(0, 0, 0)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    EXPECT_GT(inkWidth(QStringLiteral("A&&B")), inkWidth(QStringLiteral("A&B")) + 3);
    // The underline may reach a pixel past the glyph.
    EXPECT_NEAR(inkWidth(QStringLiteral("A&B")), inkWidth(QStringLiteral("AB")), 2);
}

int FocusDots(const QImage& img) {
    // The dotted outline lies on the caption rectangle's edge rows and columns.
    int dots = 0;
    for (int x = 3; x <= img.width() - 4; ++x)
        dots += At(img, x, 3) == Rgb(0, 0, 0) ? 1 : 0;
    return dots;
}

TEST_F(XPButtonPaint, FocusRectangleOnlyWithFocusFocusRectAndStateAboveNormal) {
    button->setFocus();
    ASSERT_TRUE(button->HasFocus());
    // Every other pixel of the top edge, x = 3..71 where x + 3 is even: 35 dots.
    for (int s : {XPButton::Focused, XPButton::Hot, XPButton::Pressed}) {
        const QImage& img = Draw(s);
        EXPECT_EQ(FocusDots(img), 35) << s;
        EXPECT_EQ(At(img, 5, 3), Rgb(0, 0, 0));
        EXPECT_NE(At(img, 4, 3), Rgb(0, 0, 0));
        EXPECT_EQ(At(img, 3, 5), Rgb(0, 0, 0)) << "left edge";
        EXPECT_EQ(At(img, W - 4, H - 4), Rgb(0, 0, 0)) << "bottom right";
    }
    EXPECT_EQ(FocusDots(Draw(XPButton::Normal)), 0);
    EXPECT_EQ(FocusDots(Draw(XPButton::Disabled)), 0);

    button->SetFocusRect(false);
    for (int s = 0; s <= 4; ++s)
        EXPECT_EQ(FocusDots(Draw(s)), 0) << s;

    button->SetFocusRect(true);
    other->setFocus();
    ASSERT_FALSE(button->HasFocus());
    for (int s = 0; s <= 4; ++s)
        EXPECT_EQ(FocusDots(Draw(s)), 0) << s;
}

TEST_F(XPButtonPaint, FocusRectSetterRedrawsOnlyWithFocus) {
    button->setFocus();
    Draw(XPButton::Focused);
    ASSERT_EQ(FocusDots(button->Surface()), 35);
    button->SetFocusRect(false);
    EXPECT_EQ(FocusDots(button->Surface()), 0);
}

} // namespace
