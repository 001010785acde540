#include "output/OutputRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "base/AtomicFile.h"
#include "base/PathUtils.h"
#include "base/TempFolders.h"
#include "output/ProtectedPaths.h"
#include "project/DocvaneDoc.h"

namespace docvane {

namespace {

constexpr const char* kHeader = "docvane-published 1";
// A record larger than this is not ours (nobody publishes a million files into one folder).
constexpr off_t kMaxRecordSize = 64 << 20;

std::string RecordPath(const std::string& folder) {
    return JoinPath(folder, kOutputRecordName);
}

std::string ProjectKey(const CDocvaneDoc& project) {
    return ComparablePath(project.PathName());
}

// Names and project paths may hold any byte but NUL: tabs and line breaks are escaped.
std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '%' || c < 0x20 || c == 0x7f) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        unsigned int value = 0;
        if (std::sscanf(text.substr(i + 1, 2).c_str(), "%2X", &value) != 1 || value == 0) {
            return false;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return true;
}

// A name the record may hold: one entry directly inside the folder, nothing that leads elsewhere.
bool PlainEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name != kOutputRecordName;
}

struct Line {
    std::string project;
    std::string name;
    RecordedOutput output;
};

std::string FormatLine(const std::string& project, const std::string& name, const RecordedOutput& output) {
    return Escape(project) + "\t" + std::to_string(output.size) + "\t" + std::to_string(output.mtimeNs) +
           "\t" + Escape(name) + "\n";
}

bool ParseLine(const std::string& text, Line& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto tab = text.find('\t', start);
        parts.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            break;
        }
        start = tab + 1;
    }
    if (parts.size() != 4 || !Unescape(parts[0], line.project) || !Unescape(parts[3], line.name) ||
        !PlainEntryName(line.name)) {
        return false;
    }
    try {
        std::size_t used = 0;
        line.output.size = std::stoll(parts[1], &used);
        if (used != parts[1].size()) {
            return false;
        }
        line.output.mtimeNs = std::stoll(parts[2], &used);
        return used == parts[2].size();
    } catch (...) {
        return false;
    }
}

// Every well-formed line of the record, in order; a record that is no regular file reads as empty.
std::vector<Line> ReadLines(const std::string& folder) {
    std::vector<Line> lines;
    const int fd =
        ::open(RecordPath(folder).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return lines;
    }
    struct stat st {};
    const bool usable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxRecordSize;
    ::close(fd);
    std::string bytes;
    if (!usable || !ReadWholeFile(RecordPath(folder), bytes)) {
        return lines;
    }
    std::istringstream in(bytes);
    std::string text;
    if (!std::getline(in, text) || text != kHeader) {
        return lines;
    }
    while (std::getline(in, text)) {
        Line line;
        if (ParseLine(text, line)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

bool Describe(const std::string& path, RecordedOutput& output) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    output.size = static_cast<std::int64_t>(st.st_size);
    output.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

}  // namespace

void RecordPlacedOutput(const CDocvaneDoc& project, const std::string& path) {
    const std::string folder = ParentPath(path);
    const std::string name = FileName(path);
    RecordedOutput output;
    if (folder.empty() || !PlainEntryName(name) || !Describe(path, output)) {
        return;
    }
    // Appending keeps placing linear in the number of files; cleaning compacts the record.
    const int fd = ::open(RecordPath(folder).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, NewFileMode());
    if (fd < 0) {
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    std::string text = st.st_size == 0 ? std::string(kHeader) + "\n" : std::string();
    text += FormatLine(ProjectKey(project), name, output);
    // One write with O_APPEND: lines of two programs placing into one folder do not interleave.
    const ssize_t written = ::write(fd, text.data(), text.size());
    (void)written;  // a line that could not be written only leaves that result uncleaned later
    ::close(fd);
}

RecordedOutputs ReadRecordedOutputs(const CDocvaneDoc& project, const std::string& folder) {
    RecordedOutputs entries;
    if (folder.empty()) {
        return entries;
    }
    const std::string key = ProjectKey(project);
    for (const Line& line : ReadLines(folder)) {
        if (line.project == key) {
            entries[line.name] = line.output;  // the latest line of a name counts
        }
    }
    return entries;
}

void WriteRecordedOutputs(const CDocvaneDoc& project, const std::string& folder,
                          const RecordedOutputs& entries) {
    if (folder.empty()) {
        return;
    }
    const std::string key = ProjectKey(project);
    std::string text;
    for (const Line& line : ReadLines(folder)) {
        if (line.project != key) {
            text += FormatLine(line.project, line.name, line.output);
        }
    }
    for (const auto& [name, output] : entries) {
        text += FormatLine(key, name, output);
    }
    const std::string path = RecordPath(folder);
    if (text.empty()) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            ::unlink(path.c_str());
        }
        return;
    }
    text = std::string(kHeader) + "\n" + text;
    std::string old;
    if (ReadWholeFile(path, old) && old == text) {
        return;
    }
    WriteFileAtomically(path, text);
}

bool StillAsRecorded(const std::string& path, const RecordedOutput& recorded) {
    RecordedOutput now;
    return Describe(path, now) && now.size == recorded.size && now.mtimeNs == recorded.mtimeNs;
}

}  // namespace docvane
