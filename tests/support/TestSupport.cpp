#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/ApplicationSettings.h"

namespace fs = std::filesystem;

namespace docvane::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "docvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = fs::canonical(pattern).string();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void SetModificationTime(const std::string& path, std::int64_t seconds) {
    struct timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void WriteFile(const std::string& path, const std::string& content, std::int64_t mtimeSeconds) {
    fs::create_directories(fs::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    if (mtimeSeconds >= 0) {
        SetModificationTime(path, mtimeSeconds);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

FileLock::FileLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    held_ = ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

RecordingChannel::RecordingChannel() {
    SetMainWindowChannel(this);
}
RecordingChannel::~RecordingChannel() {
    SetMainWindowChannel(nullptr);
}

void RecordingChannel::LogLine(LogKind kind, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.emplace_back(static_cast<int>(kind), line);
    events_.push_back("log:" + line);
}
void RecordingChannel::PublishStateChanged(RunState state) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("state:" + std::to_string(static_cast<int>(state)));
}
void RecordingChannel::RefreshViews(CDocvaneDoc*) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("views");
}
void RecordingChannel::ElapsedTime(bool show) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("elapsed:" + std::to_string(show ? 1 : 0));
}
void RecordingChannel::FileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("aside:" + std::to_string(index));
    workedAside_.push_back(worked);
}
std::vector<std::chrono::steady_clock::duration> RecordingChannel::WorkedAside() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return workedAside_;
}
void RecordingChannel::RefreshRibbon() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("ribbon");
}

std::vector<std::pair<int, std::string>> RecordingChannel::Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}
std::vector<std::string> RecordingChannel::Texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& [kind, line] : lines_) {
        texts.push_back(line);
    }
    return texts;
}
std::vector<std::string> RecordingChannel::Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}
void RecordingChannel::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
    events_.clear();
}

IsolatedSettings::IsolatedSettings() {
    if (const char* previous = std::getenv("DOCVANE_CONFIG_HOME")) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    ::setenv("DOCVANE_CONFIG_HOME", dir_.Path().c_str(), 1);
    store_ = std::make_unique<SettingsFile>(UserSettingsFilePath());
    SetUserSettingsStore(store_.get());
    AppSettings() = ApplicationSettings{};
}

IsolatedSettings::~IsolatedSettings() {
    SetUserSettingsStore(nullptr);
    if (hadPrevious_) {
        ::setenv("DOCVANE_CONFIG_HOME", previous_.c_str(), 1);
    } else {
        ::unsetenv("DOCVANE_CONFIG_HOME");
    }
    AppSettings() = ApplicationSettings{};
}

}  // namespace docvane::test
