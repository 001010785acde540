#pragma once
// Helpers shared by the tests: a temporary folder, files with set times, a recording channel.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/SettingsFile.h"
#include "run/MainWindowChannel.h"

namespace docvane::test {

// A fresh folder removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

// Writes a file (creating its folders) and sets its modification time to seconds since the epoch
// when given.
void WriteFile(const std::string& path, const std::string& content, std::int64_t mtimeSeconds = -1);
void SetModificationTime(const std::string& path, std::int64_t seconds);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// Holds an exclusive lock on a file for its lifetime, standing for another program that has it open.
class FileLock {
  public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

// Records every call of the main-window channel; installed for its lifetime.
class RecordingChannel : public MainWindowChannel {
  public:
    RecordingChannel();
    ~RecordingChannel() override;

    void LogLine(LogKind kind, const std::string& line) override;
    void PublishStateChanged(RunState state) override;
    void RefreshViews(CDocvaneDoc* project) override;
    void ElapsedTime(bool show) override;
    void FileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked) override;
    void RefreshRibbon() override;

    std::vector<std::pair<int, std::string>> Lines() const;
    std::vector<std::string> Texts() const;
    std::vector<std::string> Events() const;  // every call in order, as short text
    std::vector<std::chrono::steady_clock::duration> WorkedAside() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
    std::vector<std::string> events_;
    std::vector<std::chrono::steady_clock::duration> workedAside_;
};

// Points the settings at a private folder for the test's lifetime and restores the built-in defaults.
class IsolatedSettings {
  public:
    IsolatedSettings();
    ~IsolatedSettings();
    const std::string& Folder() const { return dir_.Path(); }
    // The per-user store installed for the test's lifetime, as a program's main installs it.
    SettingsFile& Store() { return *store_; }

  private:
    TempDir dir_;
    std::unique_ptr<SettingsFile> store_;
    std::string previous_;
    bool hadPrevious_ = false;
};

}  // namespace docvane::test
