// Feeds arbitrary bytes to the combined-PDF stage as a published PDF: the stage may fail, with its
// error line, but must never crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/CombinedPdf.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"

namespace {
// A private folder for the inputs, removed when the process ends.
struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("docvane-pdf-fuzz-" + std::to_string(::getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace docvane;
    static const Folder scratch;
    const std::filesystem::path& folder = scratch.path;
    const std::string source = (folder / "Part.pdf").string();
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CDocvaneDoc project;
    project.propertyDoc.projectDir = folder.string();
    project.propertyDoc.tempDir = (folder / "tmp").string();
    SetPath(project.pdfFile, (folder / "All.pdf").string());
    FileDoc& file = project.AppendFile(source);
    file.wordRefs.push_back(WordRef{10, 280, 100, 8, 1, 1});
    GetPublishState().running = true;
    BuildCombinedPdf(project);
    GetPublishState().running = false;
    return 0;
}
