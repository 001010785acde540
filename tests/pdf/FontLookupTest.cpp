#include "pdf/FontLookup.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace docvane {
namespace {

TEST(FontLookupTest, OnlySingleTrueTypeOutlineFontsCountAsTrueType) {
    const std::string serif = FindFontFile("Times New Roman");
    ASSERT_FALSE(serif.empty());
    EXPECT_TRUE(IsTrueTypeFontFile(serif));

    test::TempDir dir;
    const struct {
        const char* name;
        std::string bytes;
        bool trueType;
    } cases[] = {
        {"version-one", std::string("\0\1\0\0\0\x0c", 6), true},
        {"apple", "true", true},
        {"cff-outlines", "OTTO", false},
        {"collection", "ttcf", false},
        {"type1", "%!PS-AdobeFont-1.0", false},
        {"pdf", "%PDF-1.7\n", false},
        {"short", std::string("\0\1\0", 3), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        test::WriteFile(path, c.bytes);
        EXPECT_EQ(IsTrueTypeFontFile(path), c.trueType) << c.name;
    }
    EXPECT_FALSE(IsTrueTypeFontFile(dir / "missing.ttf"));
    EXPECT_FALSE(IsTrueTypeFontFile(dir.Path()));  // a folder
}

}  // namespace
}  // namespace docvane
