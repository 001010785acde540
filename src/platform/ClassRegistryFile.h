#pragma once
// The per-user class registry: a text file "classes.conf" beside the settings file, one line
// "ProgramId=/absolute/path/of/server" per program id; blank lines and lines starting with '#' are
// ignored. Installers of automation servers add their line with RegisterClassServer.
#include <string>

#include "automation/ClassRegistry.h"

namespace docvane {

class ClassRegistryFile : public ClassRegistry {
  public:
    // The per-user file (UserSettingsDirectory()/classes.conf), read afresh on every look-up.
    ClassRegistryFile() = default;
    explicit ClassRegistryFile(std::string path) : path_(std::move(path)) {}

    // Empty for every id while the file is refused (see Refusal).
    std::string ServerCommand(const std::string& programId) const override;
    // The file is obeyed only when this user (or the system administrator) owns it and its folder,
    // and nobody else may write either of them: a server command runs with the user's rights.
    std::string Refusal() const override;
    std::string Path() const;

  private:
    std::string path_;
};

std::string UserClassRegistryPath();

// Adds or replaces the line of programId in the file at path. False when the file cannot be written.
bool RegisterClassServer(const std::string& path, const std::string& programId, const std::string& command);

}  // namespace docvane
