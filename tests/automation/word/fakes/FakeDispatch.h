#pragma once
// The word processor's fake objects: every call that reaches a member is written into a log shared by
// all objects of one fake server, with its arguments in call order and their tags.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"
#include "support/FakeDispatchObject.h"

namespace docvane::test {

struct RecordedCall {
    std::string object;  // the kind of the fake object, e.g. "Document"
    std::string member;
    InvokeKind kind = InvokeKind::Method;
    std::vector<AutomationValue> args;  // in call order (first argument first)
    std::vector<std::int32_t> namedArgs;
    bool wantsResult = false;

    std::string Target() const { return object + "." + member; }
};

using CallLog = std::vector<RecordedCall>;

// "I:2", "T:text", "B:-1", "O" (omitted), "S:841.9", "D:1.5", "Obj", "E".
inline std::string Describe(const AutomationValue& value) {
    std::ostringstream out;
    switch (value.Tag()) {
        case ValueTag::Int32:
            out << "I:" << value.AsInt();
            break;
        case ValueTag::Text:
            out << "T:" << value.AsText();
            break;
        case ValueTag::Bool:
            out << "B:" << value.BoolBits();
            break;
        case ValueTag::Omitted:
            out << "O";
            break;
        case ValueTag::Single:
            out << "S:" << value.AsDouble();
            break;
        case ValueTag::Double:
            out << "D:" << value.AsDouble();
            break;
        case ValueTag::Object:
            out << "Obj";
            break;
        case ValueTag::Empty:
            out << "E";
            break;
    }
    return out.str();
}

inline std::vector<std::string> Describe(const std::vector<AutomationValue>& values) {
    std::vector<std::string> out;
    for (const auto& value : values) {
        out.push_back(Describe(value));
    }
    return out;
}

// An object of the fake word processor: every call that reaches a member goes into the server's log.
class FakeObject : public FakeDispatchObject {
  public:
    FakeObject(std::string kind, std::shared_ptr<CallLog> log)
        : FakeDispatchObject(std::move(kind)), log_(std::move(log)) {}

  protected:
    DispatchStatus Call(const std::string& member, const Handler& handler, InvokeKind kind,
                        const DispatchParams& params, AutomationValue* result) override {
        RecordedCall call;
        call.object = Kind();
        call.member = member;
        call.kind = kind;
        call.args.assign(params.args.rbegin(), params.args.rend());
        call.namedArgs = params.namedArgs;
        call.wantsResult = result != nullptr;
        log_->push_back(call);
        // A put carries exactly one value and the property-put named argument; nothing else does.
        const bool isPut = kind == InvokeKind::PropertyPut;
        if (isPut &&
            (params.args.size() != 1 || params.namedArgs != std::vector<std::int32_t>{kDispidPropertyPut})) {
            return kDispatchBadParamCount;
        }
        if (!isPut && !params.namedArgs.empty()) {
            return kDispatchBadParamCount;
        }
        return RunHandler(handler, kind, params, result);
    }

  private:
    std::shared_ptr<CallLog> log_;
};

}  // namespace docvane::test
