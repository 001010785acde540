#pragma once
// What a program hands to the core at start: the platform implementations behind the core's seams.
// Each executable's main (its composition root) creates them, installs them once and keeps them alive
// until it ends; the core never creates a platform object itself. Tests install doubles per seam.
//
// What stays process-wide, and why:
// - the application settings record (AppSettings): one user, one set of preferences that every window
//   and every run reads;
// - the drawing-program session (GetAcadSession) and the word-processor session (GetWordSession): the
//   process holds one connection to each program, shared by consecutive runs and by the emergency stop;
// - the publish state (GetPublishState), cancel flag and log channel: the engine runs one publication at
//   a time and the user interface watches that one;
// - the seams below: a process talks to one settings store, one class registry, one running-object
//   table, one object transport, one clock.
// Real time needs no platform object: the clock (publish/Clock.h) keeps the standard library's steady
// time unless a test installs its own.
#include <functional>
#include <memory>
#include <string>

namespace docvane {

class SettingsStore;
class ClassRegistry;
class RunningObjectTable;
class ObjectTransport;
class ProcessStarter;

struct PlatformServices {
    SettingsStore* settings = nullptr;          // the per-user settings store
    ClassRegistry* classes = nullptr;           // program ids and their server commands
    RunningObjectTable* running = nullptr;      // servers that registered their objects
    ObjectTransport* transport = nullptr;       // reaches objects of other processes; may stay null
    std::shared_ptr<ProcessStarter> processes;  // starts the drawing program
    // Opens a file with the desktop's default program; empty: the combined PDF is never opened.
    std::function<bool(const std::string& path)> openWithDesktop;
};

// Installs every service (a null member uninstalls its seam) and the rules that depend on them: a
// missing drawing-program path in the settings is looked up through the class registry. Call before
// the first run and before loading the settings.
void InstallPlatformServices(const PlatformServices& services);

}  // namespace docvane
