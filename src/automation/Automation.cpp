#include "automation/Automation.h"

#include <charconv>
#include <cmath>

namespace docvane {

namespace {
thread_local std::string t_lastCallError;

// Keeps the message of the last failed call: a call that succeeds leaves the earlier one in place.
class CallErrorScope {
  public:
    CallErrorScope() : kept_(std::move(t_lastCallError)) { t_lastCallError.clear(); }
    ~CallErrorScope() {
        if (succeeded_) {
            t_lastCallError = std::move(kept_);
        }
    }
    CallErrorScope(const CallErrorScope&) = delete;
    CallErrorScope& operator=(const CallErrorScope&) = delete;
    void Succeeded() { succeeded_ = true; }

  private:
    std::string kept_;
    bool succeeded_ = false;
};

constexpr std::size_t kCauseLimit = 400;
}  // namespace

const std::string& LastCallError() {
    return t_lastCallError;
}

void SetLastCallError(std::string message) {
    t_lastCallError = std::move(message);
}

std::string WithCause(const std::string& line, const std::string& cause) {
    std::string text;
    bool blank = false;
    for (const char c : cause) {
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (space) {
            blank = !text.empty();
            continue;
        }
        if (blank) {
            text += ' ';
            blank = false;
        }
        text += c;
    }
    if (text.empty()) {
        return line;
    }
    if (text.size() > kCauseLimit) {
        std::size_t cut = kCauseLimit;
        // Never inside a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        text = text.substr(0, cut) + "…";
    }
    return line + " (" + text + ")";
}

bool InvokeByName(const AutomationObject& object, const std::string& name, InvokeKind kind,
                  const std::vector<AutomationValue>& args, AutomationValue* result) {
    CallErrorScope callError;
    Dispatch* target = object.Get();
    if (target == nullptr) {
        return false;
    }
    std::int32_t dispid = 0;
    if (target->GetIDsOfNames(name, kLocaleUserDefault, dispid) < 0) {
        return false;
    }
    DispatchParams params;
    params.args.assign(args.rbegin(), args.rend());
    if (kind == InvokeKind::PropertyPut) {
        params.namedArgs.push_back(kDispidPropertyPut);
    }
    AutomationValue value;
    const DispatchStatus status =
        target->Invoke(dispid, kLocaleSystemDefault, kind, params, result != nullptr ? &value : nullptr);
    if (status < 0) {
        return false;
    }
    callError.Succeeded();
    if (result != nullptr) {
        *result = std::move(value);
    }
    return true;
}

AutomationValue GetProperty(const AutomationObject& object, const std::string& name) {
    AutomationValue result;
    if (!InvokeByName(object, name, InvokeKind::PropertyGet, {}, &result)) {
        return {};
    }
    return result;
}

AutomationValue GetPropertyAt(const AutomationObject& object, const std::string& name, std::int32_t index) {
    AutomationValue result;
    if (!InvokeByName(object, name, InvokeKind::PropertyGet, {AutomationValue::Int(index)}, &result)) {
        return {};
    }
    return result;
}

bool PutProperty(const AutomationObject& object, const std::string& name, const AutomationValue& value) {
    return InvokeByName(object, name, InvokeKind::PropertyPut, {value}, nullptr);
}

AutomationValue CallMethod(const AutomationObject& object, const std::string& name,
                           const std::vector<AutomationValue>& args) {
    AutomationValue result;
    if (!InvokeByName(object, name, InvokeKind::Method, args, &result)) {
        return {};
    }
    return result;
}

bool CallMethodChecked(const AutomationObject& object, const std::string& name,
                       const std::vector<AutomationValue>& args) {
    return InvokeByName(object, name, InvokeKind::Method, args, nullptr);
}

namespace {
std::string DecimalText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}
}  // namespace

std::string ValueToText(const AutomationValue& value) {
    switch (value.Tag()) {
        case ValueTag::Text:
            return value.AsText();
        case ValueTag::Int32:
            return std::to_string(value.AsInt());
        case ValueTag::Bool:
            return value.AsFlag() ? "True" : "False";
        case ValueTag::Single:
        case ValueTag::Double:
            return DecimalText(value.AsDouble());
        case ValueTag::Empty:
            // An empty value converts to empty text, as automation does.
            return {};
        case ValueTag::Object:
        case ValueTag::Omitted:
            break;
    }
    throw AutomationError("value has no text form", kDispatchTypeMismatch);
}

AutomationValue TextArgument(const std::string& text) {
    return AutomationValue::Text(text);
}

}  // namespace docvane
