#pragma once
// The name a save dialog stands for, and the question before an existing file is replaced. The
// dialog's own overwrite question comes before the extension is added, so it cannot be relied on.
#include <functional>
#include <string>

namespace docvane {

// The typed path with extension (".pdf", lower case) appended unless it already ends in it, in any
// case; empty stays empty.
std::string WithSaveExtension(const std::string& path, const std::string& extension);

// Asks for a name (askName returns empty when the dialog is cancelled) until the named file, with its
// extension, does not exist or confirmReplace agrees to replace it. Empty when the user cancels.
std::string AskSaveName(const std::function<std::string()>& askName, const std::string& extension,
                        const std::function<bool(const std::string& path)>& confirmReplace);

// The question asked before replacing path.
std::string ReplaceQuestion(const std::string& path);

}  // namespace docvane
