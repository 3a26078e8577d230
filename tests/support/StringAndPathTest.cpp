#include "ZuveloArchiveLibrary.h"
#include "ZuveloStringLibrary.h"

#include <gtest/gtest.h>

namespace {

using ZuveloArchiveLibrary::ExtractPath;
using ZuveloStringLibrary::CopyRange;
using ZuveloStringLibrary::IsDigit;
using ZuveloStringLibrary::IsNumber;

TEST(CopyRange, CountsFromOneClampsTheEndAndNeverTheStart) {
    const std::string s = "abcdef";
    EXPECT_EQ(CopyRange(s, 2, 4), "bcd");
    EXPECT_EQ(CopyRange(s, 3, 100), "cdef");
    EXPECT_EQ(CopyRange(s, 1, 6), "abcdef");
    EXPECT_EQ(CopyRange(s, 0, 3), "");
    EXPECT_EQ(CopyRange(s, 4, 3), "");
    EXPECT_EQ(CopyRange(s, 7, 9), "");
    EXPECT_EQ(CopyRange(s, 6, 6), "f");
    EXPECT_EQ(CopyRange("", 1, 1), "");
}

TEST(ExtractPath, KeepsEverythingUpToTheLastBackslash) {
    EXPECT_EQ(ExtractPath("C:\\Prog\\bin\\viewer.exe"), "C:\\Prog\\bin\\");
    EXPECT_EQ(ExtractPath("C:\\viewer.exe"), "C:\\");
    EXPECT_EQ(ExtractPath("C:\\Prog\\"), "C:\\Prog\\");
    EXPECT_EQ(ExtractPath("viewer.exe"), "v"); // position 1 is never tested
    EXPECT_EQ(ExtractPath("\\viewer.exe"), "\\");
    EXPECT_EQ(ExtractPath(""), "");
    // Only the backslash separates: slashes and colons are ordinary characters.
    EXPECT_EQ(ExtractPath("\\home\\ana/b:c\\Plexa 3D\\plexa3d"), "\\home\\ana/b:c\\Plexa 3D\\");
    EXPECT_EQ(ExtractPath("/usr/lib/plexa3d"), "/");
    // Multi-byte UTF-8 letters pass through untouched.
    EXPECT_EQ(ExtractPath("\\home\\Jos\xC3\xA9\\x"), "\\home\\Jos\xC3\xA9\\");
}

TEST(IsNumber, NeedsAtLeastOneCharacterAndOnlyDigits) {
    for (char c = '0'; c <= '9'; ++c) {
        EXPECT_TRUE(IsDigit(c));
    }
    for (char c : {'/', ':', 'a', ' ', '\0', '\xB2'}) {
        EXPECT_FALSE(IsDigit(c)) << int(c);
    }
    EXPECT_TRUE(IsNumber("1"));
    EXPECT_TRUE(IsNumber("255"));
    EXPECT_TRUE(IsNumber("007"));
    EXPECT_FALSE(IsNumber(""));
    EXPECT_FALSE(IsNumber("12a"));
    EXPECT_FALSE(IsNumber("-1"));
    EXPECT_FALSE(IsNumber(" 1"));
}

} // namespace
