#pragma once
// Ending a publication, normally or early.

namespace docvane {

class AcadSession;
class WordSession;
class RunSink;
struct PublishState;

// Quits the word processor and the drawing program when they are attached (each with its info line).
void StopAutomationServers(AcadSession& acad, WordSession& word);
// The same for the process's own sessions.
void StopAutomationServers();

// Ends the run: servers stopped, the final line "Публикация окончена." with the run's severity
// (error, warning or success), the running flag cleared, then the sink hears that the timers stop and
// Publish is back in place. A run calls it once, from its own loop (PublishRun::Execute).
void EndPublication(RunSink& sink, AcadSession& acad, WordSession& word, PublishState& state);
// The same for the process's sessions, state and channel.
void EndPublication();

}  // namespace docvane
