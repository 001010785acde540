#pragma once
// Late-bound automation: an object whose members are looked up by name and invoked with tagged
// values. Servers (in-process fakes or out-of-process stand-ins) implement Dispatch.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace docvane {

class AutomationValue;

// Status codes of the dispatch interface: negative is failure.
using DispatchStatus = std::int32_t;
inline constexpr DispatchStatus kDispatchOk = 0;
inline constexpr DispatchStatus kDispatchUnknownName = static_cast<DispatchStatus>(0x80020006);
inline constexpr DispatchStatus kDispatchMemberNotFound = static_cast<DispatchStatus>(0x80020003);
inline constexpr DispatchStatus kDispatchTypeMismatch = static_cast<DispatchStatus>(0x80020005);
inline constexpr DispatchStatus kDispatchBadParamCount = static_cast<DispatchStatus>(0x8002000E);
inline constexpr DispatchStatus kDispatchException = static_cast<DispatchStatus>(0x80020009);
inline constexpr DispatchStatus kDispatchServerGone = static_cast<DispatchStatus>(0x800706BA);
inline constexpr DispatchStatus kDispatchParamNotFound = static_cast<DispatchStatus>(0x80020004);

inline constexpr std::int32_t kDispidPropertyPut = -3;
inline constexpr std::uint32_t kLocaleUserDefault = 0x0400;
inline constexpr std::uint32_t kLocaleSystemDefault = 0x0800;

enum class InvokeKind : std::uint16_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

// The argument block of one call: arguments in reverse order (the call's last argument is element 0)
// and the ids of named arguments (a property put carries exactly one: kDispidPropertyPut).
struct DispatchParams {
    std::vector<AutomationValue> args;
    std::vector<std::int32_t> namedArgs;
};

// What a late-bound server object offers.
class Dispatch {
  public:
    virtual ~Dispatch() = default;
    virtual DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t locale,
                                         std::int32_t& dispid) = 0;
    // result is null when the caller wants no value.
    virtual DispatchStatus Invoke(std::int32_t dispid, std::uint32_t locale, InvokeKind kind,
                                  const DispatchParams& params, AutomationValue* result) = 0;
    // True once the object can never answer again (the link to its server process is gone).
    virtual bool Unreachable() const { return false; }
};

// A counted reference to a late-bound object; may be null. Copying adds a reference, Reset drops it.
class AutomationObject {
  public:
    AutomationObject() = default;
    AutomationObject(std::shared_ptr<Dispatch> object)
        : object_(std::move(object)) {}  // NOLINT: implicit by design

    explicit operator bool() const { return object_ != nullptr; }
    bool IsNull() const { return object_ == nullptr; }
    Dispatch* Get() const { return object_.get(); }
    const std::shared_ptr<Dispatch>& Shared() const { return object_; }
    void Reset() { object_.reset(); }
    bool operator==(const AutomationObject& other) const { return object_ == other.object_; }

  private:
    std::shared_ptr<Dispatch> object_;
};

}  // namespace docvane
