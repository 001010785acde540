// Plays arbitrary bytes as the replies of an automation server (frames of a 4-byte length and a body)
// to a client that shakes hands, calls, reads properties, passes objects back and drops them: nothing
// may crash, throw or hang, whatever the server says.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/Automation.h"
#include "automation/RemoteConnection.h"
#include "automation/WireCodec.h"

namespace {

class ReplayedServer : public docvane::MessageChannel {
  public:
    ReplayedServer(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}
    bool Send(const std::string&, std::chrono::milliseconds) override { return open_; }
    bool Receive(std::string& body, std::chrono::milliseconds) override {
        if (!open_ || bytes_.size() - offset_ < docvane::kWireHeaderSize) {
            return false;
        }
        const auto length =
            docvane::DecodeFrameHeader(reinterpret_cast<const unsigned char*>(bytes_.data() + offset_));
        offset_ += docvane::kWireHeaderSize;
        if (!length || *length > bytes_.size() - offset_) {
            return false;
        }
        body = bytes_.substr(offset_, *length);
        offset_ += *length;
        return true;
    }
    void Close() override { open_ = false; }

  private:
    std::string bytes_;
    std::size_t offset_ = 0;
    bool open_ = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace docvane;
    RemoteOptions options;
    options.callTimeout = std::chrono::milliseconds(1);
    AutomationObject root = RemoteConnection::Open(std::make_unique<ReplayedServer>(data, size), options);
    if (root.IsNull()) {
        return 0;
    }
    AutomationValue result;
    InvokeByName(root, "Open", InvokeKind::Method, {AutomationValue::Int(1), TextArgument("x")}, &result);
    AutomationObject child = result.AsObject();
    const AutomationValue name = GetProperty(child ? child : root, "Name");
    (void)name.AsText();
    PutProperty(root, "Item", AutomationValue::Object(child));
    child.Reset();
    CallMethod(root, "Quit");
    return 0;
}
