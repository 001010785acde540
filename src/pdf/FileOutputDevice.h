#pragma once
// Where PoDoFo writes a document: a file written through a buffer of our own. PoDoFo's file device
// formats every token twice and hands it to a stream one by one, which made writing a large combined
// PDF cost more than reading its parts; and a failing disk went unnoticed there.
#include <podofo/podofo.h>

#include <cstdarg>
#include <cstddef>
#include <string>

namespace docvane {

class FileOutputDevice : public PoDoFo::PdfOutputDevice {
  public:
    // Creates or truncates the file; a file that cannot be opened raises ePdfError_FileNotFound.
    explicit FileOutputDevice(const std::string& path);
    // Writes into an open file, which the device takes over (and closes).
    explicit FileOutputDevice(int fd);
    // Closes the file without reporting; call Close() to know whether everything was written.
    ~FileOutputDevice() override;
    FileOutputDevice(const FileOutputDevice&) = delete;
    FileOutputDevice& operator=(const FileOutputDevice&) = delete;

    void Print(const char* format, ...) override;
    void PrintV(const char* format, long bytes, va_list arguments) override;
    void Write(const char* data, std::size_t length) override;
    std::size_t Read(char* data, std::size_t length) override;
    void Seek(std::size_t offset) override;
    std::size_t Tell() const override { return position_; }
    void Flush() override;
    // Writes what is left and closes the file; a write that failed (a full disk) raises
    // ePdfError_InvalidDeviceOperation here at the latest.
    void Close();

  private:
    void Append(const char* data, std::size_t length);

    int fd_ = -1;
    std::string buffer_;           // bytes from bufferStart_ on, not yet in the file
    std::size_t bufferStart_ = 0;  // where the buffer goes in the file
    std::size_t position_ = 0;
};

}  // namespace docvane
