#include "platform/CurlUpdateSource.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

namespace docvane {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// Common to both requests: no signals (we run on the user-interface thread), http(s) only, redirects
// only to https, checked certificates (libcurl's default, set again so nobody loses it by accident).
CurlHandle NewHandle(const std::string& url, const CurlLimits& limits) {
    InitCurlOnce();
    CurlHandle handle(curl_easy_init());
    if (!handle) {
        return handle;
    }
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    return handle;
}

struct LineReader {
    std::string text;
    static constexpr std::size_t kLimit = 4096;
};

size_t CollectLine(char* data, size_t size, size_t count, void* user) {
    auto* reader = static_cast<LineReader*>(user);
    const size_t bytes = size * count;
    if (reader->text.size() < LineReader::kLimit) {
        reader->text.append(data, std::min(bytes, LineReader::kLimit - reader->text.size()));
    }
    // Stop once the first line is complete; curl reports the early end as a write error, which is fine.
    return reader->text.find('\n') == std::string::npos && reader->text.size() < LineReader::kLimit ? bytes
                                                                                                    : 0;
}

struct FileSink {
    int fd = -1;
    long long written = 0;
    long long limit = 0;
    const DownloadProgressFn* progress = nullptr;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<FileSink*>(user);
    const size_t bytes = size * count;
    if (sink->written + static_cast<long long>(bytes) > sink->limit) {
        return 0;
    }
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(sink->fd, data + done, bytes - done);
        if (n <= 0) {
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    sink->written += static_cast<long long>(bytes);
    return bytes;
}

int ReportProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* sink = static_cast<FileSink*>(user);
    if (sink->progress != nullptr && *sink->progress && done > 0) {
        (*sink->progress)(static_cast<std::uint64_t>(done),
                          static_cast<std::uint64_t>(total < 0 ? 0 : total));
    }
    return 0;
}

}  // namespace

CurlUpdateSource::CurlUpdateSource(CurlLimits limits) : limits_(limits) {}

std::string CurlUpdateSource::FetchFirstLine(const std::string& url) {
    CurlHandle handle = NewHandle(url, limits_);
    if (!handle) {
        return {};
    }
    CURL* h = handle.get();
    curl_slist* headers =
        curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded;charset=UTF-8");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.versionRequest.count()));
    LineReader reader;
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, CollectLine);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reader);
    const CURLcode result = curl_easy_perform(h);
    curl_slist_free_all(headers);
    const bool lineEnded = reader.text.find('\n') != std::string::npos;
    if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && lineEnded)) {
        return {};
    }
    std::string line = reader.text.substr(0, reader.text.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    // A byte-order mark is not part of the version number.
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) {
        line.erase(0, 3);
    }
    return line;
}

bool CurlUpdateSource::Download(const std::string& url, const std::string& path,
                                const DownloadProgressFn& progress) {
    CurlHandle handle = NewHandle(url, limits_);
    if (!handle) {
        return false;
    }
    FileSink sink;
    sink.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (sink.fd < 0) {
        return false;
    }
    sink.limit = limits_.maxDownloadBytes;
    sink.progress = &progress;
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, ReportProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &sink);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits_.lowSpeedBytes);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits_.lowSpeedTime.count()));
    const CURLcode result = curl_easy_perform(h);
    curl_off_t expected = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
    const bool synced = ::fsync(sink.fd) == 0;
    const bool closed = ::close(sink.fd) == 0;
    // A transfer cut short by the server can still end "OK" without a length check.
    const bool whole = expected < 0 || expected == sink.written;
    if (result == CURLE_OK && synced && closed && whole) {
        return true;
    }
    ::unlink(path.c_str());
    return false;
}

}  // namespace docvane
