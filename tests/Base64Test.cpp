// The Base64 encoder: standard output, padding, and its line breaks after 72 characters.
#include "net/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
wxString Encode(const std::string& bytes)
{
    return Base64Encode(bytes.data(), bytes.size());
}

std::string Bytes(unsigned first, size_t count)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i)
        bytes += static_cast<char>((first + i) & 0xFF);
    return bytes;
}
} // namespace

TEST(Base64Test, StandardVectorsAndPadding)
{
    // RFC 4648, section 10.
    EXPECT_EQ("", Encode(""));
    EXPECT_EQ("Zg==", Encode("f"));
    EXPECT_EQ("Zm8=", Encode("fo"));
    EXPECT_EQ("Zm9v", Encode("foo"));
    EXPECT_EQ("Zm9vYg==", Encode("foob"));
    EXPECT_EQ("Zm9vYmE=", Encode("fooba"));
    EXPECT_EQ("Zm9vYmFy", Encode("foobar"));
    // Bytes above 0x7F are taken unsigned; the last two characters of the alphabet appear.
    EXPECT_EQ("//79AIA=", Encode(std::string("\xFF\xFE\xFD\x00\x80", 5)));
    EXPECT_EQ("dXNlcjo=", Encode("user:"));
}

TEST(Base64Test, LineBreakFollowsEvery72ndCharacter)
{
    const wxString first72 =
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1";
    ASSERT_EQ(72u, first72.length());

    // 53 bytes: 72 characters with the padding, which ends the line too.
    const wxString of53 = Encode(Bytes(0, 53));
    EXPECT_EQ(74u, of53.length());
    EXPECT_TRUE(of53.EndsWith("=\r\n"));

    // 54 bytes: exactly 72 characters, then the break.
    EXPECT_EQ(first72 + "\r\n", Encode(Bytes(0, 54)));

    // 57 bytes: 72 characters, the break, 4 more and no break after them.
    const wxString of57 = Encode(Bytes(0, 57));
    EXPECT_EQ(78u, of57.length());
    EXPECT_EQ(first72 + "\r\n", of57.Left(74));
    EXPECT_EQ("Njc4", of57.Mid(74));

    // Padding counts as written characters; high bytes across the break.
    EXPECT_EQ("yMnKy8zNzs/Q0dLT1NXW19jZ2tvc3d7f4OHi4+Tl5ufo6err7O3u7/Dx8vP09fb3+Pn6+/z9\r\n/v8A",
              Encode(Bytes(200, 57)));

    // 108 bytes: two full lines, each followed by a break.
    const wxString of108 = Encode(Bytes(0, 108));
    EXPECT_EQ(148u, of108.length());
    EXPECT_EQ("\r\n", of108.Mid(72, 2));
    EXPECT_EQ("\r\n", of108.Right(2));
}
