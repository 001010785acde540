#pragma once
// The late-bound object both fake servers (drawing program, word processor) are built from: members
// are handlers registered by name, ids are handed out in registration order, and every call that
// reaches a member passes through Call, where a fake server records it and decides how it goes on.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane::test {

class FakeDispatchObject : public Dispatch {
  public:
    // args in call order; result is filled for a get or a method that returns something.
    using Handler = std::function<DispatchStatus(InvokeKind kind, const std::vector<AutomationValue>& args,
                                                 AutomationValue& result)>;

    explicit FakeDispatchObject(std::string kind) : kind_(std::move(kind)) {}

    const std::string& Kind() const { return kind_; }

    // Adds a member, or replaces the handler of one added before (its id stays).
    void On(const std::string& member, Handler handler);
    // A property read with no argument.
    void Get(const std::string& member, std::function<AutomationValue()> get);
    // A property that can be read and written.
    void GetPut(const std::string& member, std::function<AutomationValue()> get,
                std::function<DispatchStatus(const AutomationValue&)> put);
    // A method taking exactly argCount arguments.
    void Method(const std::string& member, std::size_t argCount,
                std::function<DispatchStatus(const std::vector<AutomationValue>&, AutomationValue&)> call);

    DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t locale,
                                 std::int32_t& dispid) override;
    DispatchStatus Invoke(std::int32_t dispid, std::uint32_t locale, InvokeKind kind,
                          const DispatchParams& params, AutomationValue* result) override;

  protected:
    // A call of member; the default runs the handler (RunHandler). Fake servers record the call here,
    // check it, or fail it as a server that is gone.
    virtual DispatchStatus Call(const std::string& member, const Handler& handler, InvokeKind kind,
                                const DispatchParams& params, AutomationValue* result);
    // An id no member has.
    virtual DispatchStatus UnknownMember() { return kDispatchMemberNotFound; }
    // Runs handler with the arguments in call order; the result is stored only on success.
    static DispatchStatus RunHandler(const Handler& handler, InvokeKind kind, const DispatchParams& params,
                                     AutomationValue* result);

  private:
    std::string kind_;
    std::vector<std::pair<std::string, Handler>> members_;  // id = index + 1
};

}  // namespace docvane::test
