// Version numbers as the update service receives them.
#include "util/Version.h"

#include <gtest/gtest.h>

TEST(VersionTest, ReadsMajorMinorPatchAndKeepsTheText)
{
    const Version version("1.3.0");
    EXPECT_EQ(1, version.GetMajor());
    EXPECT_EQ(3, version.GetMinor());
    EXPECT_EQ(0, version.GetPatch());
    EXPECT_EQ("1.3.0", version.ToString());

    EXPECT_EQ("1.3.0", CurrentVersion.ToString());
    EXPECT_EQ(1, CurrentVersion.GetMajor());
    EXPECT_EQ(3, CurrentVersion.GetMinor());
}

TEST(VersionTest, NumbersThatCanNotBeReadAreZeroAndTheTextStays)
{
    const struct
    {
        const char* text;
        int major, minor, patch;
    } cases[] = {
        {"2.0", 2, 0, 0},
        {"", 0, 0, 0},
        {"1.3.0-beta", 1, 3, 0},
        {"v1.3.0", 0, 0, 0},
        {"1..3", 1, 0, 0},
        {"1 .3.0", 1, 0, 0},
        {"99999999999.1.2", 0, 0, 0},
        {"1.99999999999.2", 1, 0, 0},
    };
    for (const auto& c : cases)
    {
        const Version version(c.text);
        EXPECT_EQ(c.text, version.ToString());
        EXPECT_EQ(c.major, version.GetMajor()) << c.text;
        EXPECT_EQ(c.minor, version.GetMinor()) << c.text;
        EXPECT_EQ(c.patch, version.GetPatch()) << c.text;
    }
}
