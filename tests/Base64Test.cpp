// The Base64 encoder: standard output, padding, and its line breaks after 72 characters.
#include "net/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string Bytes(unsigned first, size_t count)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i)
        bytes += static_cast<char>((first + i) & 0xFF);
    return bytes;
}
} // namespace

TEST(Base64Test, StandardVectorsPaddingAndALineBreakAfterEvery72Characters)
{
    const std::string line1 = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEy";
    const std::pair<std::string, std::string> cases[] = {
        // RFC 4648, section 10.
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        // Bytes above 0x7F are taken unsigned; the last two characters of the alphabet appear.
        {std::string("\xFF\xFE\xFD\x00\x80", 5), "//79AIA="},
        // Padding counts as written characters, and ends a line too.
        {Bytes(0, 53), line1 + "MzQ=\r\n"},
        {Bytes(0, 54), line1 + "MzQ1\r\n"},
        {Bytes(0, 57), line1 + "MzQ1\r\nNjc4"},
        {Bytes(200, 57), "yMnKy8zNzs/Q0dLT1NXW19jZ2tvc3d7f4OHi4+Tl5ufo6err7O3u7/Dx8vP09fb3+Pn6+/z9\r\n/v8A"},
        {Bytes(0, 108), line1 + "MzQ1\r\nNjc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWpr\r\n"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(text, Base64Encode(bytes.data(), bytes.size()).utf8_string()) << text;
}
