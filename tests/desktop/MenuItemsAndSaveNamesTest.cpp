// Menu item numbers wxWidgets accepts, the commands' shortcuts, and the names save dialogs stand for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "desktop/CommandAccelerators.h"
#include "desktop/CommandIds.h"
#include "desktop/CommandTexts.h"
#include "desktop/FileFailures.h"
#include "desktop/SaveNames.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

TEST(MenuItems, EveryCommandHasAValidItemThatLeadsBackToIt) {
    std::set<int> items;
    int mapped = 0;
    for (int command = 1; command < 65536; ++command) {
        const int item = MenuItemOf(command);
        const bool known = FindCommandText(command) != nullptr;
        if (known) {
            EXPECT_LT(item, kMenuItemLimit) << command;
            EXPECT_GT(item, 0) << command;
            EXPECT_EQ(CommandOfMenuItem(item), command) << command;
            EXPECT_TRUE(items.insert(item).second) << "two commands share item " << item;
        }
        mapped += item != command ? 1 : 0;
    }
    // The commands below the limit keep their numbers, and so do the items of the recent-file list
    // and of the project views' own menus.
    for (int small : {131, 149, 221, 205, 215, 219}) {
        EXPECT_EQ(MenuItemOf(small), small);
        EXPECT_EQ(CommandOfMenuItem(small), small);
    }
    for (int other : {5050, 5058, 6701, 6740}) {
        EXPECT_EQ(CommandOfMenuItem(other), other);
    }
    EXPECT_GE(mapped, 40);
}

TEST(MenuItems, TheDocumentProgramShortcutsAreThereOnceEach) {
    EXPECT_EQ(AcceleratorText(ID_PUBLIC_FAST), "Ctrl+P");
    EXPECT_EQ(AcceleratorText(ID_PUBLIC_LONG), "Ctrl+Shift+P");
    EXPECT_EQ(AcceleratorText(ID_FILE_SAVE), "Ctrl+S");
    EXPECT_EQ(AcceleratorText(ID_FILE_SAVE_AS), "Ctrl+Shift+S");
    EXPECT_EQ(AcceleratorText(ID_FILE_OPEN), "Ctrl+O");
    EXPECT_EQ(AcceleratorText(ID_FILE_NEW), "Ctrl+N");
    EXPECT_EQ(AcceleratorText(ID_REFRESH), "F5");
    EXPECT_EQ(AcceleratorText(ID_FIELDS), "");
    std::set<std::pair<int, int>> keys;
    for (const CommandAccelerator& accelerator : CommandAccelerators()) {
        EXPECT_TRUE(keys.insert({accelerator.modifiers, accelerator.key}).second) << accelerator.command;
        EXPECT_LT(MenuItemOf(accelerator.command), kMenuItemLimit);
    }
}

TEST(SaveNames, TheQuestionSeesTheNameWithItsExtensionWhateverWasTyped) {
    test::TempDir dir;
    test::WriteFile(dir / "report.pdf", "old");
    EXPECT_EQ(WithSaveExtension(dir / "report", ".pdf"), dir / "report.pdf");
    EXPECT_EQ(WithSaveExtension(dir / "report.PDF", ".pdf"), dir / "report.PDF");
    EXPECT_EQ(WithSaveExtension("", ".pdf"), "");

    struct Case {
        std::vector<std::string> typed;  // one name per showing of the dialog; "" cancels
        std::vector<bool> answers;       // the replace question's answers, in order
        std::string result;
        int questions;
    };
    const std::vector<Case> table = {
        {{dir / "new"}, {}, dir / "new.pdf", 0},                           // nothing to replace
        {{dir / "report"}, {true}, dir / "report.pdf", 1},                 // asked without ".pdf"
        {{dir / "report.pdf"}, {true}, dir / "report.pdf", 1},             // asked with it
        {{dir / "report", dir / "other"}, {false}, dir / "other.pdf", 1},  // "Нет": the dialog again
        {{dir / "report", ""}, {false}, "", 1},                            // then cancelled
        {{""}, {}, "", 0},                                                 // cancelled at once
    };
    for (const Case& c : table) {
        std::size_t shown = 0;
        std::vector<std::string> asked;
        const std::string result =
            AskSaveName([&] { return shown < c.typed.size() ? c.typed[shown++] : std::string(); }, ".pdf",
                        [&](const std::string& path) {
                            asked.push_back(path);
                            return asked.size() <= c.answers.size() && c.answers[asked.size() - 1];
                        });
        EXPECT_EQ(result, c.result) << c.typed.front();
        EXPECT_EQ(static_cast<int>(asked.size()), c.questions) << c.typed.front();
        for (const std::string& path : asked) {
            EXPECT_EQ(path, dir / "report.pdf");
        }
    }
    EXPECT_EQ(test::ReadFile(dir / "report.pdf"), "old");
    EXPECT_EQ(ReplaceQuestion("/a/b.pdf"), "Файл \"/a/b.pdf\" уже существует.\nЗаменить его?");
}

TEST(SaveNames, ReadAndWriteFailuresAreToldInRussian) {
    test::TempDir dir;
    test::WriteFile(dir / "a.dv1", "x");
    EXPECT_EQ(ReadFailureReason(dir / "missing.dv1"), "Файл не найден.");
    EXPECT_EQ(ReadFailureReason(dir.Path()), "Это папка, а не файл.");
    EXPECT_EQ(WriteFailureReason(dir / "no/such/folder/a.dv1"), "Папка не найдена.");
    EXPECT_EQ(WriteFailureReason(dir.Path()), "Это папка, а не файл.");
    if (::geteuid() != 0) {  // root reads and writes whatever the mode says
        std::filesystem::permissions(dir / "a.dv1", std::filesystem::perms::none);
        EXPECT_EQ(ReadFailureReason(dir / "a.dv1"), "Нет прав на чтение файла.");
        EXPECT_EQ(WriteFailureReason(dir / "a.dv1"), "Нет прав на запись.");
    }
}

}  // namespace
}  // namespace docvane
