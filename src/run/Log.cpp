#include "run/Log.h"

#include "run/MainWindowChannel.h"
#include "run/PublishState.h"

namespace docvane {

void LogInfo(const std::string& text) {
    MainWindow().LogLine(LogKind::Info, "[?] " + text);
}

void LogSuccess(const std::string& text) {
    MainWindow().LogLine(LogKind::Success, "[+] " + text);
}

void LogWarning(const std::string& text) {
    RaiseSeverity(2);
    MainWindow().LogLine(LogKind::Warning, "[!] " + text);
}

void LogError(const std::string& text) {
    RaiseSeverity(3);
    MainWindow().LogLine(LogKind::Error, "[X] " + text);
}

}  // namespace docvane
