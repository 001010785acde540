// What a second start sends, and which handed-over paths are opened.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/InstanceMessage.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(InstanceMessage, Utf16WithItsNulRoundTrips) {
    EXPECT_EQ(EncodeInstanceMessage(""), std::string("\0\0", 2));
    EXPECT_EQ(EncodeInstanceMessage("a/b"), std::string("a\0/\0b\0\0\0", 8));
    EXPECT_EQ(EncodeInstanceMessage("Я"), std::string("\x2F\x04\0\0", 4));
    for (const std::string path : {"/tmp/Проект.dv1", "/x/😀 plan.dv1", "", "/a b/c"}) {
        EXPECT_EQ(DecodeInstanceMessage(EncodeInstanceMessage(path)), path);
    }
    // Text ends at the first NUL, or with the bytes; an odd byte is dropped.
    EXPECT_EQ(DecodeInstanceMessage(std::string("a\0\0\0b\0", 6)), "a");
    EXPECT_EQ(DecodeInstanceMessage(std::string("a\0b\0c", 5)), "ab");
    // A lone surrogate cannot become UTF-8.
    EXPECT_EQ(DecodeInstanceMessage(std::string("\x00\xD8"
                                                "a\0",
                                                4)),
              "\xEF\xBF\xBD"
              "a");
}

TEST(InstanceMessage, OnlyExistingProjectFilesAreOpened) {
    TempDir dir;
    WriteFile(dir / "p.dv1", "<docvane/>");
    WriteFile(dir / "CAPS.DV1", "<docvane/>");
    WriteFile(dir / "notes.txt", "x");
    mkdir((dir / "folder.dv1").c_str(), 0700);
    EXPECT_TRUE(IsProjectPathToOpen(dir / "p.dv1"));
    EXPECT_TRUE(IsProjectPathToOpen(dir / "CAPS.DV1"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "notes.txt"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "missing.dv1"));
    EXPECT_FALSE(IsProjectPathToOpen(dir / "folder.dv1"));
    EXPECT_FALSE(IsProjectPathToOpen(""));
}

}  // namespace
}  // namespace docvane
