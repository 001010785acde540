#include "platform/LinuxPlatform.h"

#include "platform/DesktopOpen.h"
#include "platform/MachineFacts.h"
#include "platform/PosixServerProcess.h"

namespace docvane {

LinuxPlatform::LinuxPlatform()
    : settings(UserSettingsFilePath()),
      transport(DefaultProcessStarter()),
      processes(DefaultProcessStarter()),
      openWithDesktop(OpenWithDesktop),
      machine(ReadMachineFacts) {}

}  // namespace docvane
