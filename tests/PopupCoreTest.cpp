// What pop-ups rest on without a display: names in addresses and picture headers.
#include "util/ImageHeader.h"
#include "util/UrlEncode.h"

#include <gtest/gtest.h>

#include <string>

// Names keep letters, digits and underscores; query values (the account) also "-._~".
TEST(UrlEncodeTest, NamesAndQueryValuesKeepOnlyTheirSafeCharacters)
{
    const struct
    {
        const char* text;
        const char* name;
        const char* value;
    } cases[] = {
        {"Luna_Star07", "Luna_Star07", "Luna_Star07"},
        {"x/../y?z=1&w#", "x%2F%2E%2E%2Fy%3Fz%3D1%26w%23", "x%2F..%2Fy%3Fz%3D1%26w%23"},
        {"p&ss #1%", "p%26ss%20%231%25", "p%26ss%20%231%25"},
        {"a+b=-~", "a%2Bb%3D%2D%7E", "a%2Bb%3D-~"},
        {"\xC3\xA9mi", "%C3%A9mi", "%C3%A9mi"},
        {"", "", ""},
    };
    for (const auto& c : cases)
    {
        const wxString text = wxString::FromUTF8(c.text);
        EXPECT_EQ(c.name, PercentEncodeName(text).ToStdString()) << c.text;
        EXPECT_EQ(c.value, PercentEncodeQueryValue(text).ToStdString()) << c.text;
    }
}

TEST(ImageHeaderTest, ReadsTheSizeOfJpegAndPngAndNothingElse)
{
    const std::string png =
        std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + std::string("\0\0\x10\x01\0\0\0\x02", 8); // 4097 x 2
    // Start of image, an APP0 segment, then a progressive frame header: 300 high, 400 wide.
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0\0\x04"
                                         "ab"
                                         "\xFF\xC2\0\x11\x08\x01\x2C\x01\x90",
                                         17);
    const struct
    {
        std::string bytes;
        ImageHeader::Format format;
        uint32_t width, height;
    } cases[] = {
        {png, ImageHeader::PNG, 4097, 2},
        {jpeg, ImageHeader::JPEG, 400, 300},
        {jpeg.substr(0, 14), ImageHeader::UNKNOWN, 0, 0},                       // cut short
        {std::string("\xFF\xD8\xFF\xDA\0\x02", 6), ImageHeader::UNKNOWN, 0, 0}, // no frame
        {png.substr(0, 16) + std::string(8, '\0'), ImageHeader::UNKNOWN, 0, 0}, // size 0
        {"GIF89a\x01\0\x01\0", ImageHeader::UNKNOWN, 0, 0},
        {"", ImageHeader::UNKNOWN, 0, 0},
    };
    for (const auto& c : cases)
    {
        const ImageHeader header = ImageHeader::Read(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.format, header.format) << testing::PrintToString(c.bytes);
        EXPECT_EQ(c.width, header.width);
        EXPECT_EQ(c.height, header.height);
    }
}
