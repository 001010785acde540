#pragma once
// How the word-processor application object comes into being. Until the class registry answers for
// "Word.Application", the session creates its server through this one replaceable function; tests put
// their in-process server here.
#include <functional>
#include <string>

#include "automation/AutomationObject.h"

namespace docvane {

inline constexpr const char* kWordProgId = "Word.Application";

// Creates an instance of the server registered under progId, as a local server; a null object means
// the id is not registered or the server could not be started.
using WordServerFactory = std::function<AutomationObject(const std::string& progId)>;

// Replaces the factory; an empty function restores the built-in one, which knows no server yet and
// therefore always answers with a null object.
void SetWordServerFactory(WordServerFactory factory);

// Asks the current factory for an instance. Never throws: a factory that throws counts as "not
// registered".
AutomationObject CreateWordServer(const std::string& progId);

}  // namespace docvane
