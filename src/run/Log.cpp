#include "run/Log.h"

#include "run/MainWindowChannel.h"
#include "run/PublishState.h"

namespace docvane {

namespace {
thread_local ScopedLogCapture* t_capture = nullptr;

int SeverityOf(LogKind kind) {
    switch (kind) {
        case LogKind::Warning:
            return 2;
        case LogKind::Error:
            return 3;
        default:
            return 0;
    }
}

void Emit(LogKind kind, std::string line) {
    if (t_capture != nullptr) {
        t_capture->Add({kind, std::move(line)});
        return;
    }
    ShowCapturedLine({kind, std::move(line)});
}
}  // namespace

ScopedLogCapture::ScopedLogCapture() : outer_(t_capture) {
    t_capture = this;
}

ScopedLogCapture::~ScopedLogCapture() {
    t_capture = outer_;
}

std::size_t CapturedLineCount() {
    return t_capture == nullptr ? 0 : t_capture->Lines().size();
}

bool LogIsCaptured() {
    return t_capture != nullptr;
}

void ShowCapturedLine(const CapturedLine& line) {
    if (const int severity = SeverityOf(line.kind); severity > 0) {
        RaiseSeverity(severity);
    }
    MainWindow().LogLine(line.kind, line.line);
}

void LogInfo(const std::string& text) {
    Emit(LogKind::Info, "[?] " + text);
}

void LogSuccess(const std::string& text) {
    Emit(LogKind::Success, "[+] " + text);
}

void LogWarning(const std::string& text) {
    Emit(LogKind::Warning, "[!] " + text);
}

void LogError(const std::string& text) {
    Emit(LogKind::Error, "[X] " + text);
}

}  // namespace docvane
