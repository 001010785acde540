#pragma once
// Where a run may write at all. A project file may come from anyone: its output folders and its
// combined PDF path are checked before any work, so that a folder chosen by mistake (the root, a
// system folder, the user's home) or a combined-PDF path naming someone's document costs nothing.
#include <string>
#include <vector>

namespace docvane {

class CDocvaneDoc;
class ProtectedPaths;

enum class FolderRefusal { None, Root, System, Home };

// Why folder may not receive outputs (None when it may). Both the spelling and the folder the path
// resolves to (links, "..") are judged.
FolderRefusal RefusedOutputFolder(const std::string& folder);

// The folders judged as system folders and the home, replaceable so that tests never name real ones.
struct SystemFolderRules {
    std::vector<std::string> trees;    // the folder and everything inside it
    std::vector<std::string> folders;  // the folder itself only
    std::vector<std::string> homes;    // the folder itself only
};
// The rules of this machine: the system trees, the folders that hold others' folders, and the home of
// the user ($HOME and the account's).
SystemFolderRules MachineFolderRules();
// Replaces the rules until called again with nullptr (the machine's rules).
void SetSystemFolderRules(const SystemFolderRules* rules);

enum class CombinedPdfTarget {
    Absent,   // nothing at the path: a new file
    Pdf,      // a PDF (by its content): may be replaced (the window asks first)
    NotAPdf,  // a file that is no PDF, or a folder: never replaced
};

// The error line for a combined-PDF path that names something other than a PDF (followed by the path).
inline constexpr const char* kNotAPdfLine = "Не могу заменить общий pdf: по этому пути лежит не PDF-файл: ";

// What lies at the combined PDF's path: a PDF is a file with "%PDF-" within its first 1024 bytes.
CombinedPdfTarget InspectCombinedPdfTarget(const std::string& path);

// Checks the output folders, the reference folder and the combined PDF's path of project before a run;
// false after the error line naming the first refused place. guard: the run's protected set (null: one
// built now).
bool CheckOutputPlaces(const CDocvaneDoc& project, const ProtectedPaths* guard = nullptr);

}  // namespace docvane
