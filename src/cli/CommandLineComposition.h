#pragma once
// The command line's composition root: the platform objects of docvane-cli, installed into the core
// and kept alive while the object lives (main holds it for its whole run), then the user's settings.
#include "platform/LinuxPlatform.h"

namespace docvane::cli {

class CommandLineComposition {
  public:
    CommandLineComposition();
    CommandLineComposition(const CommandLineComposition&) = delete;
    CommandLineComposition& operator=(const CommandLineComposition&) = delete;

  private:
    LinuxPlatform platform_;
};

}  // namespace docvane::cli
