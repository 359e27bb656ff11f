#include "base/Path.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(PathTest, NamesKeepTheirBytesWhetherOrNotTheyAreUtf8) {
    const std::string latin1 = std::string("caf") + '\xe9';
    const Path folder = Path::fromText(QStringLiteral("/home/ann/Fotos"));
    const Path file = folder / latin1;
    EXPECT_EQ(file.native(), "/home/ann/Fotos/caf\xe9");
    EXPECT_EQ(file.fileName(), latin1);
    EXPECT_FALSE(Path::isText(latin1));
    // Shown with a visible escape, never as a replacement character that names nothing.
    EXPECT_EQ(file.display(), QStringLiteral("/home/ann/Fotos/caf\\xE9"));
    EXPECT_FALSE(file.display().contains(QChar(0xFFFD)));
}

TEST(PathTest, ValidUtf8IsShownAsItsTextAndMixedNamesEscapeOnlyTheBadBytes) {
    const std::string utf8 = "Caf\xc3\xa9 \xe2\x82\xac";
    EXPECT_TRUE(Path::isText(utf8));
    EXPECT_EQ(Path::displayName(utf8), QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac"));
    // A truncated sequence, a lone continuation byte, an overlong form and a surrogate.
    EXPECT_EQ(Path::displayName("a\xc3"), QStringLiteral("a\\xC3"));
    EXPECT_EQ(Path::displayName("\x80z"), QStringLiteral("\\x80z"));
    EXPECT_EQ(Path::displayName("\xc0\xaf"), QStringLiteral("\\xC0\\xAF"));
    EXPECT_EQ(Path::displayName("\xed\xa0\x80"), QStringLiteral("\\xED\\xA0\\x80"));
    EXPECT_FALSE(Path::isText("\xed\xa0\x80"));
}

TEST(PathTest, JoiningAddsExactlyOneSeparatorAndKeepsBlanks) {
    EXPECT_EQ((Path::fromText(QStringLiteral("/media/stick/")) / " Photos 2023").native(),
              "/media/stick/ Photos 2023");
    EXPECT_EQ((Path::fromText(QStringLiteral("/media/stick")) / "trail \t").native(),
              "/media/stick/trail \t");
    EXPECT_EQ(Path::fromText(QStringLiteral("/a")).withSeparator().native(), "/a/");
    EXPECT_EQ(Path::fromText(QStringLiteral("/a/")).withSeparator().native(), "/a/");
    EXPECT_EQ(withSeparator(QStringLiteral("/media/stick/")), QStringLiteral("/media/stick/"));
    EXPECT_EQ(withSeparator(QStringLiteral("/media/stick")), QStringLiteral("/media/stick/"));
    EXPECT_EQ(withoutSeparator(QStringLiteral("/media/stick//")), QStringLiteral("/media/stick"));
    EXPECT_EQ(withoutSeparator(QStringLiteral("/media/stick")), QStringLiteral("/media/stick"));
    EXPECT_EQ(withoutSeparator(QStringLiteral("//")), QStringLiteral("/"));
    EXPECT_TRUE(
        Path::fromText(QStringLiteral("/a/b")).startsWith(Path::fromText(QStringLiteral("/a/"))));
    EXPECT_EQ(Path::fromText(QStringLiteral("/a/")).fileName(), "");
}
