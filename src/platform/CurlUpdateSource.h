#pragma once
// The update check's HTTP(S) client over libcurl: bounded connect and transfer times so that a silent
// server never holds up start-up, certificates checked, only http and https followed.
#include <chrono>

#include "app/UpdateSource.h"

namespace docvane {

struct CurlLimits {
    std::chrono::milliseconds connect{3000};
    // The whole version request, which runs while the program starts.
    std::chrono::milliseconds versionRequest{5000};
    // A download is given up when it stays below lowSpeedBytes per second for lowSpeedTime.
    long lowSpeedBytes = 1024;
    std::chrono::seconds lowSpeedTime{15};
    // Larger answers are not an installer of ours.
    long long maxDownloadBytes = 2LL << 30;
};

class CurlUpdateSource : public UpdateSource {
  public:
    explicit CurlUpdateSource(CurlLimits limits = {});
    std::string FetchFirstLine(const std::string& url) override;
    bool Download(const std::string& url, const std::string& path,
                  const DownloadProgressFn& progress) override;

  private:
    CurlLimits limits_;
};

}  // namespace docvane
