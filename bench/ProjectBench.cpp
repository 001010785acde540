// Builds, saves, loads and status-checks a project of 10,000 files (sources and published results on
// disk) and prints the times. Not a test: run it on demand and record the figures.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "output/DocumentStatus.h"
#include "output/PublishDigest.h"
#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

static void Touch(const fs::path& path) {
    std::ofstream(path) << "x";
}

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path root = fs::temp_directory_path() / ("docvane-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "src");
    fs::create_directories(root / "PDF");
    fs::create_directories(root / "EDIT");
    const char* kinds[] = {".dwg", ".docx", ".pdf"};
    for (int i = 0; i < count; ++i) {
        const std::string stem = "Doc" + std::to_string(i);
        const std::string ext = kinds[i % 3];
        Touch(root / "src" / (stem + ext));
        Touch(root / "PDF" / (stem + ".pdf"));
        Touch(root / "EDIT" / (stem + ext));
    }

    auto start = Clock::now();
    docvane::CDocvaneDoc project;
    project.propertyDoc.projectDir = root.string();
    docvane::SetPath(project.pdfDir, (root / "PDF").string());
    docvane::SetPath(project.editDir, (root / "EDIT").string());
    for (int i = 0; i < count; ++i) {
        docvane::FileDoc& file =
            project.AppendFile((root / "src" / ("Doc" + std::to_string(i) + kinds[i % 3])).string());
        if (i % 3 == 0) {
            file.sheetNames = {"Model", "Layout1"};
            file.xrefsBefore.emplace_back((root / "src/Base.dwg").string(), &project, &file);
        }
    }
    const double build = Seconds(start);

    start = Clock::now();
    const bool saved = docvane::SaveProjectFile(project, (root / "bench.dv1").string());
    const double save = Seconds(start);

    start = Clock::now();
    docvane::CDocvaneDoc loaded;
    const bool read = docvane::LoadProjectFile(loaded, (root / "bench.dv1").string());
    const double load = Seconds(start);

    start = Clock::now();
    const int status = docvane::ComputeProjectStatus(loaded);
    const double statusTime = Seconds(start);

    // Every file published, with what it was made from recorded as a run records it: each status then
    // also computes the current digests.
    for (auto& file : loaded.fileDocs) {
        file->publishedFrom = docvane::CurrentDigest(*file);
    }
    loaded.pdfFilePublishedFrom = docvane::CurrentCombinedDigest(loaded);
    start = Clock::now();
    const int digestStatus = docvane::ComputeProjectStatus(loaded);
    const double digestTime = Seconds(start);

    std::printf("files                 %d\n", count);
    std::printf("build model           %.3f s\n", build);
    std::printf("save                  %.3f s (%s)\n", save, saved ? "ok" : "FAILED");
    std::printf("load                  %.3f s (%s, %zu files)\n", load, read ? "ok" : "FAILED",
                loaded.FileCount());
    std::printf("load + save           %.3f s (target < 0.3 s)\n", load + save);
    std::printf("ComputeProjectStatus  %.3f s (target < 0.2 s), combined status %d\n", statusTime, status);
    std::printf("  with digests        %.3f s, combined status %d\n", digestTime, digestStatus);
    fs::remove_all(root);
    return saved && read ? 0 : 1;
}
