#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "output/ProtectedPaths.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

namespace fs = std::filesystem;

TEST(ComparablePathTest, SpellingsOfOnePathCompareEqualWhetherOrNotItExists) {
    test::TempDir dir;
    fs::create_directories(dir / "real/sub");
    test::WriteFile(dir / "real/a.pdf", "a");
    fs::create_directory_symlink(dir / "real", dir / "link");
    fs::create_symlink(dir / "real/a.pdf", dir / "alias.pdf");
    const std::string base = fs::canonical(dir.Path()).string();

    const struct {
        std::string spelt;
        std::string expected;
    } cases[] = {
        {dir / "real/a.pdf", base + "/real/a.pdf"},
        {dir / "link/a.pdf", base + "/real/a.pdf"},
        {dir / "alias.pdf", base + "/real/a.pdf"},
        {dir / "real/./sub/../a.pdf", base + "/real/a.pdf"},
        {dir / "link/sub/", base + "/real/sub"},
        {dir / "real//sub", base + "/real/sub"},
        // Not there yet: the existing part is resolved, the rest taken as written.
        {dir / "link/new.pdf", base + "/real/new.pdf"},
        {dir / "link/new/../b.pdf", base + "/real/b.pdf"},
        {dir / "none/x/../y.pdf", base + "/none/y.pdf"},
        {dir / "real/a.pdf/", base + "/real/a.pdf"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComparablePath(c.spelt), c.expected) << c.spelt;
    }
}

}  // namespace
}  // namespace docvane
