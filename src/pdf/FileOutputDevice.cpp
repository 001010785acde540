#include "pdf/FileOutputDevice.h"

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <vector>

namespace docvane {

using namespace PoDoFo;

namespace {

constexpr std::size_t kFlushSize = 4 << 20;

// A PDF writes numbers with a point whatever locale the program runs in (a desktop toolkit may have
// set the user's, with its decimal comma).
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

// Formats into text, or into larger when text is too small; returns the length or -1.
int Format(char* text, std::size_t size, const char* format, va_list arguments) {
    const locale_t classic = ClassicLocale();
    const locale_t previous = classic != static_cast<locale_t>(nullptr) ? uselocale(classic) : nullptr;
    const int length = std::vsnprintf(text, size, format, arguments);
    if (previous != static_cast<locale_t>(nullptr)) {
        uselocale(previous);
    }
    return length;
}

}  // namespace

FileOutputDevice::FileOutputDevice(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        PODOFO_RAISE_ERROR(ePdfError_FileNotFound);
    }
    buffer_.reserve(kFlushSize + 4096);
}

FileOutputDevice::FileOutputDevice(int fd) : fd_(fd) {
    if (fd_ < 0) {
        PODOFO_RAISE_ERROR(ePdfError_FileNotFound);
    }
    buffer_.reserve(kFlushSize + 4096);
}

FileOutputDevice::~FileOutputDevice() {
    if (fd_ >= 0) {
        try {
            Flush();
        } catch (const PdfError&) {
            // Nobody asked: Close() is where failures are reported.
        }
        ::close(fd_);
    }
}

void FileOutputDevice::Append(const char* data, std::size_t length) {
    if (position_ != bufferStart_ + buffer_.size()) {
        // After a seek the buffer starts again at the new place.
        Flush();
        bufferStart_ = position_;
    }
    buffer_.append(data, length);
    position_ += length;
    m_ulLength = std::max(m_ulLength, position_);
    if (buffer_.size() >= kFlushSize) {
        Flush();
    }
}

void FileOutputDevice::Print(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    PrintV(format, -1, arguments);
    va_end(arguments);
}

void FileOutputDevice::PrintV(const char* format, long bytes, va_list arguments) {
    (void)bytes;  // formatted once here instead of measured first
    char text[512];
    va_list copy;
    va_copy(copy, arguments);
    const int length = Format(text, sizeof text, format, copy);
    va_end(copy);
    if (length < 0) {
        PODOFO_RAISE_ERROR(ePdfError_InvalidDataType);
    }
    if (static_cast<std::size_t>(length) < sizeof text) {
        Append(text, static_cast<std::size_t>(length));
        return;
    }
    std::vector<char> larger(static_cast<std::size_t>(length) + 1);
    Format(larger.data(), larger.size(), format, arguments);
    Append(larger.data(), static_cast<std::size_t>(length));
}

void FileOutputDevice::Write(const char* data, std::size_t length) {
    Append(data, length);
}

std::size_t FileOutputDevice::Read(char* data, std::size_t length) {
    Flush();
    const ssize_t got = ::pread(fd_, data, length, static_cast<off_t>(position_));
    if (got < 0) {
        PODOFO_RAISE_ERROR(ePdfError_InvalidDeviceOperation);
    }
    position_ += static_cast<std::size_t>(got);
    bufferStart_ = position_;
    return static_cast<std::size_t>(got);
}

void FileOutputDevice::Seek(std::size_t offset) {
    if (offset > m_ulLength) {
        PODOFO_RAISE_ERROR(ePdfError_ValueOutOfRange);
    }
    Flush();
    position_ = offset;
    bufferStart_ = offset;
}

void FileOutputDevice::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t written = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                                         static_cast<off_t>(bufferStart_ + done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            PODOFO_RAISE_ERROR(ePdfError_InvalidDeviceOperation);
        }
        done += static_cast<std::size_t>(written);
    }
    bufferStart_ += buffer_.size();
    buffer_.clear();
}

void FileOutputDevice::Close() {
    if (fd_ < 0) {
        return;
    }
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        PODOFO_RAISE_ERROR(ePdfError_InvalidDeviceOperation);
    }
}

}  // namespace docvane
