#pragma once
// Program ids of automation servers and the commands that start them.
#include <string>

#include "automation/AutomationObject.h"

namespace docvane {

class ClassRegistry {
  public:
    virtual ~ClassRegistry() = default;
    // The server command registered for programId (an absolute path of an executable); empty text
    // when the id is not registered.
    virtual std::string ServerCommand(const std::string& programId) const = 0;
    // Why the registry is not obeyed (a line for the log), empty when it is. A refused registry names
    // no server: its file could have been written by someone other than the user.
    virtual std::string Refusal() const { return {}; }
};

// The installed registry (the program's main installs the per-user file); with none installed no
// program id is registered.
ClassRegistry& GetClassRegistry();
// Installs a registry (nullptr uninstalls it). It must outlive every call made through it.
void SetClassRegistry(ClassRegistry* registry);

// The stand-in server of programId installed beside this program ("docvane-acad-server" for
// "AutoCAD.Application", "docvane-word-server" for "Word.Application"); empty when there is none.
std::string StandInServerBesideProgram(const std::string& programId);

// Creates the object of programId as a local server: the class registry names the server (else the
// stand-in beside this program), the object transport starts it and connects to it. Null when no
// server is known or the server cannot be reached.
AutomationObject CreateLocalServer(const std::string& programId);

// Why no local server can be used now (the class registry or the running-object table is refused,
// for instance because another user could write into it): an error line for the log; empty when
// servers can be started and found.
std::string LocalServerRefusal();

}  // namespace docvane
