#include "support/FakeDispatchObject.h"

namespace docvane::test {

void FakeDispatchObject::On(const std::string& member, Handler handler) {
    for (auto& [name, existing] : members_) {
        if (name == member) {
            existing = std::move(handler);
            return;
        }
    }
    members_.emplace_back(member, std::move(handler));
}

void FakeDispatchObject::Get(const std::string& member, std::function<AutomationValue()> get) {
    On(member, [get = std::move(get)](InvokeKind kind, const std::vector<AutomationValue>& args,
                                      AutomationValue& result) {
        if (kind != InvokeKind::PropertyGet || !args.empty()) {
            return kDispatchMemberNotFound;
        }
        result = get();
        return kDispatchOk;
    });
}

void FakeDispatchObject::GetPut(const std::string& member, std::function<AutomationValue()> get,
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

void FakeDispatchObject::Method(
    const std::string& member, std::size_t argCount,
    std::function<DispatchStatus(const std::vector<AutomationValue>&, AutomationValue&)> call) {
    On(member, [argCount, call = std::move(call)](InvokeKind kind, const std::vector<AutomationValue>& args,
                                                  AutomationValue& result) {
        if (kind != InvokeKind::Method) {
            return kDispatchMemberNotFound;
        }
        if (args.size() != argCount) {
            return kDispatchBadParamCount;
        }
        return call(args, result);
    });
}

DispatchStatus FakeDispatchObject::GetIDsOfNames(const std::string& name, std::uint32_t,
                                                 std::int32_t& dispid) {
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (members_[i].first == name) {
            dispid = static_cast<std::int32_t>(i + 1);
            return kDispatchOk;
        }
    }
    return kDispatchUnknownName;
}

DispatchStatus FakeDispatchObject::Invoke(std::int32_t dispid, std::uint32_t, InvokeKind kind,
                                          const DispatchParams& params, AutomationValue* result) {
    if (dispid < 1 || static_cast<std::size_t>(dispid) > members_.size()) {
        return UnknownMember();
    }
    // Copies: a handler may add members, which moves the list.
    const auto [member, handler] = members_[static_cast<std::size_t>(dispid - 1)];
    return Call(member, handler, kind, params, result);
}

DispatchStatus FakeDispatchObject::Call(const std::string&, const Handler& handler, InvokeKind kind,
                                        const DispatchParams& params, AutomationValue* result) {
    return RunHandler(handler, kind, params, result);
}

DispatchStatus FakeDispatchObject::RunHandler(const Handler& handler, InvokeKind kind,
                                              const DispatchParams& params, AutomationValue* result) {
    AutomationValue value;
    const DispatchStatus status = handler(kind, {params.args.rbegin(), params.args.rend()}, value);
    if (status >= 0 && result != nullptr) {
        *result = std::move(value);
    }
    return status;
}

}  // namespace docvane::test
