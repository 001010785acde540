#pragma once
// One running program per user: a second start hands its project path to the first and ends.
#include <functional>
#include <string>

#include "platform/InstanceSocket.h"

namespace docvane {

// Sends projectPath (already absolute, may be empty) to the instance serving socketPath. True when an
// instance took it: this process then ends without a window.
bool HandOverToRunningInstance(const std::string& socketPath, const std::string& projectPath);

// Serves second starts: every handed-over path that names an existing ".dv1" file (extension in any
// case) reaches openProject on the listener thread; anything else is ignored.
class InstanceServer {
  public:
    // False when the socket cannot be served (another instance serves it): the program then works
    // without taking second starts.
    bool Start(const std::string& socketPath, std::function<void(const std::string& path)> openProject);
    void Stop() { listener_.Stop(); }

  private:
    InstanceListener listener_;
};

}  // namespace docvane
