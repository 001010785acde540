// The recent-file list of the application menu.
#include <gtest/gtest.h>

#include "desktop/RecentFiles.h"
#include "platform/SettingsFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::TempDir;

TEST(RecentFiles, EightEntriesMostRecentFirstKeptInTheStore) {
    TempDir dir;
    SettingsFile store(dir / "settings.xml");
    RecentFiles recent;
    for (int i = 1; i <= 10; ++i) {
        recent.Add("/p/" + std::to_string(i) + ".dv1");
    }
    recent.Add("/p/5.dv1");  // moves to the top
    recent.Add("");
    ASSERT_EQ(recent.Entries().size(), RecentFiles::kMaxEntries);
    EXPECT_EQ(recent.Entries().front(), "/p/5.dv1");
    EXPECT_EQ(recent.Entries()[1], "/p/10.dv1");
    EXPECT_EQ(recent.Entries().back(), "/p/3.dv1");  // 10..3, with 5 moved up
    recent.Save(store);
    ASSERT_TRUE(store.Save());

    SettingsFile reread(dir / "settings.xml");
    RecentFiles loaded;
    loaded.Load(reread);
    EXPECT_EQ(loaded.Entries(), recent.Entries());

    loaded.Remove("/p/10.dv1");
    loaded.Save(reread);
    RecentFiles shorter;
    shorter.Load(reread);
    EXPECT_EQ(shorter.Entries().size(), RecentFiles::kMaxEntries - 1);
    EXPECT_FALSE(reread.GetText("Recent File List", "File8").has_value());
}

}  // namespace
}  // namespace docvane
