#include "cli/ConsoleChannel.h"

namespace docvane {

void ConsoleChannel::LogLine(LogKind logKind, const std::string& line) {
    const int kind = static_cast<int>(logKind);
    if (kind < 0 || kind > 3) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
    lastKind_ = kind;
}

int ConsoleChannel::LastKind() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastKind_;
}

}  // namespace docvane
