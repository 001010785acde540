#pragma once
// Where the update check gets the latest version number and the installer from. The desktop program
// installs an HTTP implementation (platform/CurlUpdateSource); tests install their own.
#include <cstdint>
#include <functional>
#include <string>

namespace docvane {

// Bytes done and bytes expected (0 while the size is unknown).
using DownloadProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

class UpdateSource {
  public:
    virtual ~UpdateSource() = default;
    // The first line of the resource at url, decoded as UTF-8 and without its line end; empty on any
    // failure (no network, no answer, an error status, a refused address).
    virtual std::string FetchFirstLine(const std::string& url) = 0;
    // Writes the resource at url into path. True only when the whole resource arrived; a failed or
    // interrupted transfer leaves no file at path.
    virtual bool Download(const std::string& url, const std::string& path,
                          const DownloadProgressFn& progress) = 0;
};

}  // namespace docvane
