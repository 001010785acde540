#pragma once
// Digests of what published results are made from. File times show a source saved again; they cannot
// show an edited field, script or setting, nor a source swapped for an older copy. A publication
// records these digests with the project, and the status compares them with the inputs in force.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "project/PublishedDigest.h"

namespace docvane {

class CDocvaneDoc;
struct FileDoc;

// Part names; also the element names below "publishedFrom" in the project file.
inline constexpr const char* kDigestFields = "fields";          // the project's fields, in order
inline constexpr const char* kDigestScript = "script";          // the user script of the file's program
inline constexpr const char* kDigestSettings = "settings";      // settings that change the outputs
inline constexpr const char* kDigestSource = "source";          // the source's size and time
inline constexpr const char* kDigestReferences = "references";  // the references' sizes and times
inline constexpr const char* kDigestFiles = "files";            // the file list's order and membership

// SHA-256 over a sequence of named values. Every name and value goes in with its length, so two
// different sequences never feed the same bytes; numbers go in as decimal text. The result depends on
// nothing but the values: it is the same on every run and platform.
class DigestBuilder {
  public:
    DigestBuilder();
    ~DigestBuilder();
    DigestBuilder(const DigestBuilder&) = delete;
    DigestBuilder& operator=(const DigestBuilder&) = delete;

    void AddText(std::string_view name, std::string_view value);
    void AddNumber(std::string_view name, std::int64_t value);
    void AddFlag(std::string_view name, bool value);
    // The digest as 64 lower-case hexadecimal digits; empty when the digest could not be computed
    // (which the status then treats as "not recorded"). Ends the builder.
    std::string Hex();

  private:
    void Feed(std::string_view bytes);
    struct Context;
    Context* context_;
};

// The settings that shape a file's outputs: the output names of every sheet, and for a drawing the
// per-sheet split and the editable version, for a word-processor document the save and field options.
// A setting added later goes here; it should join only when it differs from the behaviour before it
// existed, so that digests recorded earlier keep matching.
void AddFileSettings(const FileDoc& file, DigestBuilder& digest);

// The settings that shape the combined PDF beyond the published files: numbering (switch, corner
// offsets, start page, first numbered page, font), the outline menu and comment removal. A new setting
// of the combined-PDF stage (a PDF/A switch, say) is added here and nowhere else, joining only when it
// differs from the behaviour before it existed (for a switch: only when on), so that digests recorded
// earlier keep matching.
void AddCombinedPdfSettings(const CDocvaneDoc& project, DigestBuilder& digest);

// What the file's results would be made from now. A ready PDF has no fields or script part: neither
// touches it.
PublishedDigest CurrentDigest(const FileDoc& file);

// What the combined PDF would be made from now: its settings and the file list.
PublishedDigest CurrentCombinedDigest(const CDocvaneDoc& project);

// The first of parts whose recorded digest differs from the current one; a part missing on either side
// (never recorded, recorded by another version, not computed) is not compared. Null when none differs.
const char* ChangedPart(const PublishedDigest& recorded, const PublishedDigest& current,
                        std::initializer_list<const char*> parts);

}  // namespace docvane
