#include "base/Format.h"
#include "base/Translate.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quillet;

TEST(FormatTest, BytesAreGroupedByTheLocaleSeparator) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(formatBytes(0, c), QStringLiteral("0"));
    EXPECT_EQ(formatBytes(999, c), QStringLiteral("999"));
    EXPECT_EQ(formatBytes(1234567, c), QStringLiteral("1,234,567"));
    EXPECT_EQ(formatBytes(-1234567, c), QStringLiteral("-1,234,567"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatBytes(1234567, german), QStringLiteral("1.234.567"));
}

TEST(FormatTest, MegabytesHaveTwoDecimalsAndNoGrouping) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(formatMegabytes(512ull * 1048576, c), QStringLiteral("512.00"));
    EXPECT_EQ(formatMegabytes(524288, c), QStringLiteral("0.50"));
    EXPECT_EQ(formatMegabytes(1998585856ull, c), QStringLiteral("1906.00"));
    EXPECT_EQ(formatMegabytes(0, c), QStringLiteral("0.00"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatMegabytes(5000ull * 1048576 + 524288, german), QStringLiteral("5000,50"));
}

TEST(FormatTest, DatesAreMonthDayYearAnd24HourTime) {
    EXPECT_EQ(formatDateTime(QDateTime(QDate(2026, 2, 3), QTime(21, 5, 9))),
              QStringLiteral("02-03-2026 21:05:09"));
}

TEST(TranslateTest, WithoutATranslationTheEnglishComesBackExactly) {
    EXPECT_EQ(Translate(QStringLiteral("Synchronized at ")), QStringLiteral("Synchronized at "));
    EXPECT_EQ(Translate(QStringLiteral("Where do you want to place ")),
              QStringLiteral("Where do you want to place "));
    EXPECT_EQ(Translate(QString()), QString());
}

TEST(FormatTest, NumbersUseAsciiDigitsAndAPlainMinusInEveryLocale) {
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QString text = formatBytes(-1234567, arabic);
    EXPECT_TRUE(text.startsWith(QLatin1Char('-'))) << text.toStdString();
    for (const QChar c : text)
        EXPECT_TRUE(c.unicode() < 0x660 || c.unicode() > 0x669) << text.toStdString();
    EXPECT_EQ(QString(text).remove(arabic.groupSeparator()), QStringLiteral("-1234567"));
    EXPECT_EQ(formatBytes(std::numeric_limits<qint64>::min(), QLocale::c()),
              QStringLiteral("-9,223,372,036,854,775,808"));
    const QString mb = formatMegabytes(524288, arabic);
    EXPECT_EQ(QString(mb).replace(arabic.decimalPoint(), QStringLiteral(".")),
              QStringLiteral("0.50"));
}
