#pragma once
// How the word-processor application object comes into being: by default the class registry's local
// server for "Word.Application"; tests put their in-process server here instead.
#include <functional>
#include <string>

#include "automation/AutomationObject.h"

namespace docvane {

inline constexpr const char* kWordProgId = "Word.Application";

// Creates an instance of the server registered under progId, as a local server; a null object means
// the id is not registered or the server could not be started.
using WordServerFactory = std::function<AutomationObject(const std::string& progId)>;

// Replaces the factory; an empty function restores the built-in one (the class registry's local
// server, null when the id is not registered or cannot be reached).
void SetWordServerFactory(WordServerFactory factory);

// Asks the current factory for an instance. Never throws: a factory that throws counts as "not
// registered".
AutomationObject CreateWordServer(const std::string& progId);

}  // namespace docvane
