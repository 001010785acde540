#pragma once
// The calls every automation step of the system goes through. None of them raises except
// ValueToText: a failed call yields an empty value or false, and the caller decides.
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane {

// Looks the member up by name (user locale) and, when found, invokes it (system locale) with the
// arguments laid out in reverse order; a property put carries one named argument kDispidPropertyPut.
// result may be null when no value is wanted. False when the object is null, the lookup fails or the
// call returns a negative status.
bool InvokeByName(const AutomationObject& object, const std::string& name, InvokeKind kind,
                  const std::vector<AutomationValue>& args, AutomationValue* result);

AutomationValue GetProperty(const AutomationObject& object, const std::string& name);
AutomationValue GetPropertyAt(const AutomationObject& object, const std::string& name, std::int32_t index);
bool PutProperty(const AutomationObject& object, const std::string& name, const AutomationValue& value);
AutomationValue CallMethod(const AutomationObject& object, const std::string& name,
                           const std::vector<AutomationValue>& args = {});
// A method call that asks for no result.
bool CallMethodChecked(const AutomationObject& object, const std::string& name,
                       const std::vector<AutomationValue>& args = {});

// Raised by ValueToText for a value that has no text form; carries the failure status.
class AutomationError : public std::runtime_error {
  public:
    AutomationError(const std::string& what, DispatchStatus status)
        : std::runtime_error(what), status_(status) {}
    DispatchStatus Status() const { return status_; }

  private:
    DispatchStatus status_;
};

// Text as it is, integers and floats in their decimal text, booleans as automation does ("True" /
// "False"), an empty value as empty text. Omitted and object values raise AutomationError.
std::string ValueToText(const AutomationValue& value);

AutomationValue TextArgument(const std::string& text);

// The server's message of the last call made on this thread that failed (empty when that call brought
// none): kept until another call fails, so a step can name the cause of its failure in its error line.
// Dispatch implementations set it with SetLastCallError before they return a failure.
const std::string& LastCallError();
void SetLastCallError(std::string message);

// The error line of a failed step with the server's cause after it: "line (cause)", or the line alone
// when there is no cause. The cause is made one line and bounded in length.
std::string WithCause(const std::string& line, const std::string& cause);

}  // namespace docvane
