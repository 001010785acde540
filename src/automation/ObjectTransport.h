#pragma once
// How late-bound objects of other processes are reached: connecting to an object a running server
// registered, and starting a server as a local server. The out-of-process transport (local sockets)
// plugs in here; until one is installed no other process can be reached and both calls give null.
#include <string>

#include "automation/AutomationObject.h"

namespace docvane {

class ObjectTransport {
  public:
    virtual ~ObjectTransport() = default;
    // The object a running server registered at address; null when it cannot be reached.
    virtual AutomationObject Connect(const std::string& address) = 0;
    // Starts serverCommand as a local server and returns its application object; null on failure.
    virtual AutomationObject Activate(const std::string& serverCommand) = 0;
    // Ends every server process Activate started that is still running (an emergency stop).
    virtual void TerminateStartedServers() {}
};

// The installed transport, or null when there is none.
ObjectTransport* GetObjectTransport();
// Installs a transport (nullptr removes it). It must outlive every call made through it.
void SetObjectTransport(ObjectTransport* transport);

}  // namespace docvane
