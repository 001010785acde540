#include "run/MainWindowChannel.h"

#include <atomic>
#include <cstdio>

namespace docvane {

namespace {
NullChannel& Silent() {
    static NullChannel channel;
    return channel;
}
std::atomic<MainWindowChannel*> g_channel{nullptr};
}  // namespace

void SetMainWindowChannel(MainWindowChannel* channel) {
    g_channel.store(channel);
}

MainWindowChannel& MainWindow() {
    MainWindowChannel* channel = g_channel.load();
    return channel != nullptr ? *channel : Silent();
}

std::string FormatElapsed(unsigned long long elapsed100ns) {
    const unsigned long long seconds = elapsed100ns / 10000000ULL;
    const auto secondsOfDay = static_cast<int>(seconds % 86400ULL);
    char text[32];
    std::snprintf(text, sizeof text, "[%.2d:%.2d:%.2d]", secondsOfDay / 3600, (secondsOfDay / 60) % 60,
                  secondsOfDay % 60);
    return text;
}

}  // namespace docvane
