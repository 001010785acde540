#pragma once
// What a program hands to the core at start: the platform implementations behind the core's seams.
// Each executable's main (its composition root) creates them, installs them once and keeps them alive
// until it ends; the core never creates a platform object itself. Tests install doubles per seam.
//
// What stays process-wide, and why (a publication itself is a PublishRun that receives its project,
// mode, sessions, sink and state from whoever starts it):
// - the application settings record (AppSettings): one user, one set of preferences that every window
//   and every run reads;
// - the drawing-program session (GetAcadSession) and the word-processor session (GetWordSession): the
//   process holds one connection to each program, shared by consecutive runs and by the emergency stop;
//   they are the sessions a run drives unless it is handed others;
// - the publish state (GetPublishState): the running flag is the run's cancel token and the severity
//   its worst line; the sessions' waits, the combined-PDF stage and the log functions read it without
//   being handed the run, and the engine runs one publication at a time (StartPublishJob refuses a
//   second), which the window's and the command line's Stop commands reach from their own threads;
// - the log channel (MainWindow(), publish/MainWindowChannel.h): every level writes log lines, and
//   the window or the console installs itself once; it is also the sink of a run started without one;
// - the combined PDF's open action (SetOpenCombinedPdfAction): the desktop's, or none on the console;
// - the machine facts (SetMachineFactsSource): one machine;
// - the per-thread scopes of a run that works on several files at once (ScopedLogCapture in
//   run/Log.h, ScopedFileStop in run/PublishState.h, ScopedTempFolder in output/OutputPaths.h,
//   ScopedDeferredPlacing in output/FileOperations.h): every level logs, cancels, names temporary
//   files and places results through process-wide functions, and a thread publishing one file of
//   such a run must keep its lines, its stop, its temporary files and its placings to itself until
//   the run takes them over in list order; each scope lives on that thread's stack only;
// - the registry of drawing-program sessions (TerminateEveryStartedAcadProcess): the emergency stop
//   reaches the processes of every session of such a run;
// - the seams below: a process talks to one settings store, one class registry, one running-object
//   table, one object transport, one clock.
// The protected-path set is not process-wide: the run owns it and hands it to every placing, cleaning
// and combining step it calls (publish/ProtectedPaths.h).
// The single-instance hand-over is not run state: the window receives it through its ProjectHandOver
// (desktop/ProjectHandOver.h).
// Real time needs no platform object: the clock (publish/Clock.h) keeps the standard library's steady
// time unless a test installs its own.
#include <functional>
#include <memory>
#include <string>

#include "app/ParallelJobs.h"

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
    // The machine's cores and memory, for the automatic number of files a run works on at once;
    // empty: only the standard library's count of hardware threads.
    std::function<MachineFacts()> machine;
};

// The services of a platform bundle, any object with the members named above as objects (settings,
// classes, running, transport) plus processes and openWithDesktop: each program's composition helper
// describes its bundle (platform/LinuxPlatform.h) this way instead of spelling out every member.
template <class Bundle>
PlatformServices ServicesOf(Bundle& bundle) {
    PlatformServices services;
    services.settings = &bundle.settings;
    services.classes = &bundle.classes;
    services.running = &bundle.running;
    services.transport = &bundle.transport;
    services.processes = bundle.processes;
    services.openWithDesktop = bundle.openWithDesktop;
    if constexpr (requires { bundle.machine; }) {
        services.machine = bundle.machine;
    }
    return services;
}

// Installs every service (a null member uninstalls its seam) and the rules that depend on them: a
// missing drawing-program path in the settings is looked up through the class registry. Call before
// the first run and before loading the settings.
void InstallPlatformServices(const PlatformServices& services);

}  // namespace docvane
