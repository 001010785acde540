#pragma once
// Ending a publication, normally or early.

namespace docvane {

// Quits the word processor and the drawing program when they are attached (each with its info line).
void StopAutomationServers();

// Ends the run: servers stopped, the final line "Публикация окончена." with the run's severity
// (error, warning or success), the running flag cleared, the timers stopped, Publish back in place.
void EndPublication();

}  // namespace docvane
