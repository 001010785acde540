#pragma once
// An in-process late-bound object for tests: members are handlers, and every call that reaches
// Invoke is written into a log shared by all objects of one fake server, with its arguments in call
// order and their tags.
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

class FakeObject : public Dispatch {
  public:
    // args in call order; result is filled for a get or a method that returns something.
    using Handler = std::function<DispatchStatus(InvokeKind kind, const std::vector<AutomationValue>& args,
                                                 AutomationValue& result)>;

    FakeObject(std::string kind, std::shared_ptr<CallLog> log)
        : kind_(std::move(kind)), log_(std::move(log)) {}

    const std::string& Kind() const { return kind_; }

    void On(const std::string& member, Handler handler) {
        if (ids_.count(member) == 0) {
            const auto id = static_cast<std::int32_t>(ids_.size() + 1);
            ids_[member] = id;
            names_[id] = member;
        }
        handlers_[ids_[member]] = std::move(handler);
    }

    // A property read with no argument.
    void Get(const std::string& member, std::function<AutomationValue()> get) {
        On(member, [get = std::move(get)](InvokeKind kind, const std::vector<AutomationValue>& args,
                                          AutomationValue& result) {
            if (kind != InvokeKind::PropertyGet || !args.empty()) {
                return kDispatchMemberNotFound;
            }
            result = get();
            return kDispatchOk;
        });
    }

    // A property that can be read and written.
    void GetPut(const std::string& member, std::function<AutomationValue()> get,
                std::function<DispatchStatus(const AutomationValue&)> put) {
        On(member, [get = std::move(get), put = std::move(put)](
                       InvokeKind kind, const std::vector<AutomationValue>& args, AutomationValue& result) {
            if (kind == InvokeKind::PropertyPut) {
                return put(args.front());
            }
            if (kind != InvokeKind::PropertyGet || !args.empty() || !get) {
                return kDispatchMemberNotFound;
            }
            result = get();
            return kDispatchOk;
        });
    }

    // A method taking exactly argCount arguments.
    void Method(const std::string& member, std::size_t argCount,
                std::function<DispatchStatus(const std::vector<AutomationValue>&, AutomationValue&)> call) {
        On(member, [argCount, call = std::move(call)](
                       InvokeKind kind, const std::vector<AutomationValue>& args, AutomationValue& result) {
            if (kind != InvokeKind::Method) {
                return kDispatchMemberNotFound;
            }
            if (args.size() != argCount) {
                return kDispatchBadParamCount;
            }
            return call(args, result);
        });
    }

    DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t /*locale*/,
                                 std::int32_t& dispid) override {
        const auto it = ids_.find(name);
        if (it == ids_.end()) {
            return kDispatchUnknownName;
        }
        dispid = it->second;
        return kDispatchOk;
    }

    DispatchStatus Invoke(std::int32_t dispid, std::uint32_t /*locale*/, InvokeKind kind,
                          const DispatchParams& params, AutomationValue* result) override {
        const auto it = handlers_.find(dispid);
        if (it == handlers_.end()) {
            return kDispatchMemberNotFound;
        }
        RecordedCall call;
        call.object = kind_;
        call.member = names_[dispid];
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
        AutomationValue value;
        const DispatchStatus status = it->second(kind, call.args, value);
        if (result != nullptr && status >= 0) {
            *result = std::move(value);
        }
        return status;
    }

  private:
    std::string kind_;
    std::shared_ptr<CallLog> log_;
    std::map<std::string, std::int32_t> ids_;
    std::map<std::int32_t, std::string> names_;
    std::map<std::int32_t, Handler> handlers_;
};

}  // namespace docvane::test
