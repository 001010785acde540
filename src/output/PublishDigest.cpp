#include "output/PublishDigest.h"

#include <openssl/evp.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/ApplicationSettings.h"
#include "base/PathUtils.h"
#include "output/OutputPaths.h"
#include "project/DocvaneDoc.h"

namespace docvane {

struct DigestBuilder::Context {
    EVP_MD_CTX* md = nullptr;
    bool ok = false;
};

DigestBuilder::DigestBuilder() : context_(new Context) {
    context_->md = EVP_MD_CTX_new();
    context_->ok = context_->md != nullptr && EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) == 1;
}

DigestBuilder::~DigestBuilder() {
    EVP_MD_CTX_free(context_->md);
    delete context_;
}

void DigestBuilder::Feed(std::string_view bytes) {
    // The length first, as eight little-endian bytes whatever the machine's order.
    std::array<unsigned char, 8> length{};
    std::uint64_t n = bytes.size();
    for (auto& byte : length) {
        byte = static_cast<unsigned char>(n & 0xFF);
        n >>= 8;
    }
    if (context_->ok) {
        context_->ok = EVP_DigestUpdate(context_->md, length.data(), length.size()) == 1 &&
                       EVP_DigestUpdate(context_->md, bytes.data(), bytes.size()) == 1;
    }
}

void DigestBuilder::AddText(std::string_view name, std::string_view value) {
    Feed(name);
    Feed(value);
}

void DigestBuilder::AddNumber(std::string_view name, std::int64_t value) {
    AddText(name, std::to_string(value));
}

void DigestBuilder::AddFlag(std::string_view name, bool value) {
    AddText(name, value ? "1" : "0");
}

std::string DigestBuilder::Hex() {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!context_->ok || EVP_DigestFinal_ex(context_->md, value, &size) != 1) {
        context_->ok = false;
        return {};
    }
    context_->ok = false;
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        text += kDigits[value[i] >> 4];
        text += kDigits[value[i] & 0x0F];
    }
    return text;
}

namespace {

// A file's identity as the file times track it: size and last-write time, in whole seconds since the
// Unix epoch (finer parts differ between file systems that hold the same file).
void AddFileIdentity(DigestBuilder& digest, const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        digest.AddText("missing", "");
        return;
    }
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) {
        digest.AddText("missing", "");
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    digest.AddNumber("size", static_cast<std::int64_t>(size));
    digest.AddNumber("time", static_cast<std::int64_t>(seconds.count()));
}

// Scripts come back from the project file with CR LF line ends whatever the editor stored.
std::string SameLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

void AddFileSettings(const FileDoc& file, DigestBuilder& digest) {
    for (const int sheet : SheetIndexes(file)) {
        digest.AddText("pdfName", PdfName(file, sheet));
        digest.AddText("editableName", EditableName(file, sheet));
    }
    const ApplicationSettings& app = AppSettings();
    if (IsDrawingFile(file.fullPath) && file.owner != nullptr) {
        const AutocadDoc& autocad = file.owner->propertyDoc.autocad;
        digest.AddFlag("splitIntoLayouts", autocad.splitIntoLayouts);
        // The save step sends the application's version; the project's own (the ribbon's) is kept
        // as well, so that changing either one republishes.
        digest.AddText("fileFormat", app.autocad.fileFormat);
        digest.AddText("projectFileFormat", autocad.fileFormat);
    } else if (IsWordFile(file.fullPath)) {
        digest.AddFlag("lockComments", app.lockComments);
        digest.AddFlag("readOnlyRecommended", app.readOnlyRecommended);
        digest.AddFlag("embedTrueTypeFonts", app.embedTrueTypeFonts);
        digest.AddFlag("saveNativePictureFormat", app.saveNativePictureFormat);
        digest.AddFlag("refreshFields", app.refreshFields);
        digest.AddFlag("toggleFormsDesign", app.toggleFormsDesign);
    }
}

void AddCombinedPdfSettings(const CDocvaneDoc& project, DigestBuilder& digest) {
    const PropertyDoc& p = project.propertyDoc;
    digest.AddFlag("isNumbering", p.isNumbering);
    digest.AddNumber("startPage", p.startPage);
    digest.AddNumber("pageFrom", p.pageFrom);
    digest.AddNumber("posX", p.posX);
    digest.AddNumber("posY", p.posY);
    digest.AddNumber("fontHeight", p.fontHeight);
    digest.AddText("fontName", p.fontName);
    digest.AddFlag("hasMenu", p.hasMenu);
    digest.AddFlag("clearComments", p.autocad.clearComments);
}

PublishedDigest CurrentDigest(const FileDoc& file) {
    PublishedDigest parts;
    if (file.owner == nullptr) {
        return parts;
    }
    const CDocvaneDoc& project = *file.owner;
    const bool drawing = IsDrawingFile(file.fullPath);
    const bool word = IsWordFile(file.fullPath);
    const auto put = [&parts](const char* part, DigestBuilder& digest) {
        std::string hex = digest.Hex();
        if (!hex.empty()) {
            parts[part] = std::move(hex);
        }
    };
    if (drawing || word) {
        DigestBuilder fields;
        fields.AddNumber("count", static_cast<std::int64_t>(project.fieldDocs.size()));
        for (const FieldDoc& field : project.fieldDocs) {
            fields.AddText("name", field.name);
            fields.AddText("value", field.value);
        }
        put(kDigestFields, fields);

        DigestBuilder script;
        script.AddText(
            drawing ? "lispScript" : "vbaScript",
            SameLineEnds(drawing ? project.propertyDoc.lispScript : project.propertyDoc.vbaScript));
        put(kDigestScript, script);
    }

    DigestBuilder settings;
    AddFileSettings(file, settings);
    put(kDigestSettings, settings);

    DigestBuilder source;
    AddFileIdentity(source, file.fullPath);
    put(kDigestSource, source);

    if (drawing) {
        // By name, not path: a project folder moved as a whole keeps its digests.
        DigestBuilder references;
        references.AddNumber("count", static_cast<std::int64_t>(file.xrefsBefore.size()));
        for (const XrefFile& ref : file.xrefsBefore) {
            references.AddText("name", FileName(ref.fullPath));
            AddFileIdentity(references, ref.fullPath);
        }
        put(kDigestReferences, references);
    }
    return parts;
}

PublishedDigest CurrentCombinedDigest(const CDocvaneDoc& project) {
    PublishedDigest parts;
    DigestBuilder settings;
    AddCombinedPdfSettings(project, settings);
    std::string hex = settings.Hex();
    if (!hex.empty()) {
        parts[kDigestSettings] = std::move(hex);
    }
    // The paths as the project file stores them, so that a project folder moved as a whole keeps it.
    DigestBuilder files;
    PathRelativizer relative(project.propertyDoc.projectDir);
    files.AddNumber("count", static_cast<std::int64_t>(project.fileDocs.size()));
    for (const auto& file : project.fileDocs) {
        files.AddText("file", relative.Relative(file->fullPath));
    }
    hex = files.Hex();
    if (!hex.empty()) {
        parts[kDigestFiles] = std::move(hex);
    }
    return parts;
}

const char* ChangedPart(const PublishedDigest& recorded, const PublishedDigest& current,
                        std::initializer_list<const char*> parts) {
    for (const char* part : parts) {
        const auto was = recorded.find(part);
        const auto now = current.find(part);
        if (was != recorded.end() && now != current.end() && was->second != now->second) {
            return part;
        }
    }
    return nullptr;
}

}  // namespace docvane
