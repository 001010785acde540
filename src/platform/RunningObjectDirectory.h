#pragma once
// The per-user running-object table: a folder "running" inside the user's runtime folder in which
// every running automation server keeps one file "<name>.entry" of two lines, its display name and
// the address (local socket path) where its object can be reached. A server removes its file when it
// ends; a file left behind by a crashed server is removed once its address is found abandoned.
#include <string>

#include "automation/RunningObjectTable.h"

namespace docvane {

// The user's private runtime folder, created with mode 0700: $DOCVANE_RUNTIME_DIR when set,
// otherwise $XDG_RUNTIME_DIR/docvane, otherwise /tmp/docvane-<uid>. Empty when the folder cannot be
// created or is not a private folder of this user (another user could plant entries in it).
std::string UserRuntimeDirectory();
// Why UserRuntimeDirectory() gives no folder, as a log line naming the folder; empty when it gives one.
std::string UserRuntimeDirectoryRefusal();

class RunningObjectDirectory : public RunningObjectTable {
  public:
    // The per-user folder (UserRuntimeDirectory()/running), looked up on every enumeration.
    RunningObjectDirectory() = default;
    explicit RunningObjectDirectory(std::string folder) : folder_(std::move(folder)) {}

    // Entries in file-name order; an unreadable file gives an entry without display name. Entries
    // of processes that no longer exist (a server killed before it could revoke its entry) are
    // removed first, with their sockets once these no longer answer.
    std::vector<RunningEntry> EnumRunning() override;
    // Connects through the installed object transport; null without one. An entry whose socket is
    // gone or refuses connections is deleted.
    AutomationObject GetObject(const RunningEntry& entry) override;

    std::string Folder() const;
    std::string Refusal() const override;
    // Entry files are named after the process that wrote them.
    bool KnowsProcesses() const override { return true; }

  private:
    std::string folder_;
};

// Registers an entry in folder; returns the entry's file path (empty on failure) for Revoke.
std::string RegisterRunningObject(const std::string& folder, const std::string& displayName,
                                  const std::string& address);
void RevokeRunningObject(const std::string& entryPath);

// Removes the entries in folder whose file name "<pid>-N.entry" names a process that no longer
// exists, and their sockets when these are abandoned. Returns how many entries went.
int RemoveEntriesOfEndedProcesses(const std::string& folder);

// The address a server process registered in folder (its entry file "<pid>-N.entry"); empty when none.
std::string RunningEntryAddressOfProcess(const std::string& folder, int pid);

}  // namespace docvane
