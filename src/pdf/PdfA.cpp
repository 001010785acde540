#include "pdf/PdfA.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "base/AtomicFile.h"
#include "pdf/CombinedDocument.h"
#include "pdf/PdfLookup.h"
#include "pdf/PublishedPdf.h"
#include "run/Log.h"

namespace docvane {

using namespace PoDoFo;

namespace {

bool IsName(const PdfObject* value, const char* name) {
    return value != nullptr && value->IsName() && value->GetName() == PdfName(name);
}

double NumberOf(const PdfObject* value, double fallback) {
    if (value != nullptr && value->IsReal()) {
        return value->GetReal();
    }
    if (value != nullptr && value->IsNumber()) {
        return static_cast<double>(value->GetNumber());
    }
    return fallback;
}

std::string Decoded(const PdfObject& object);

std::string Decoded(const std::vector<const PdfObject*>& streams) {
    std::string content;
    for (const PdfObject* stream : streams) {
        content += Decoded(*stream);
        content += '\n';
    }
    return content;
}

std::string Decoded(const PdfObject& object) {
    if (!object.HasStream()) {
        return {};
    }
    char* buffer = nullptr;
    pdf_long length = 0;
    object.GetStream()->GetFilteredCopy(&buffer, &length);
    const std::unique_ptr<char, void (*)(void*)> owned(buffer, podofo_free);
    return buffer != nullptr ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

// Every resource dictionary the part's pages draw with: the pages', their forms' (nested), their
// patterns' and Type 3 fonts', and the appearance streams of their annotations. Each once.
void VisitResources(const PublishedPdf& part, const std::function<void(const PdfObject& resources)>& visit,
                    const std::function<void(const std::vector<const PdfObject*>& streams,
                                             const PdfObject* resources)>& content) {
    const PdfVecObjects& objects = part.Document().GetObjects();
    std::unordered_set<const PdfObject*> seen;
    std::function<void(const PdfObject*)> resourcesOf;
    std::function<void(const PdfObject*)> formOf = [&](const PdfObject* form) {
        if (form == nullptr || !form->IsDictionary() || !seen.insert(form).second) {
            return;
        }
        const PdfObject* resources = Entry(objects, form, "Resources");
        if (form->HasStream() && IsName(Entry(objects, form, "Subtype"), "Form")) {
            content({form}, resources);
        }
        resourcesOf(resources);
    };
    resourcesOf = [&](const PdfObject* resources) {
        if (resources == nullptr || !resources->IsDictionary() || !seen.insert(resources).second) {
            return;
        }
        visit(*resources);
        for (const char* kind : {"XObject", "Pattern", "Font"}) {
            const PdfObject* entries = Entry(objects, resources, kind);
            if (entries == nullptr || !entries->IsDictionary()) {
                continue;
            }
            for (const auto& [name, value] : entries->GetDictionary().GetKeys()) {
                const PdfObject* item = Resolved(objects, value);
                if (item != nullptr && std::string(kind) == "Font") {
                    resourcesOf(Entry(objects, item, "Resources"));  // Type 3 glyphs
                } else {
                    formOf(item);
                }
            }
        }
    };
    for (const PublishedPage& page : part.Pages()) {
        const PdfObject* resources = page.resources != nullptr ? Resolved(objects, page.resources)
                                                               : Entry(objects, page.object, "Resources");
        const PdfObject* contents = Entry(objects, page.object, "Contents");
        // The streams of a contents array are one content: a marked section may begin in one and end
        // in another.
        std::vector<const PdfObject*> streams;
        if (contents != nullptr && contents->IsArray()) {
            for (const PdfObject& element : contents->GetArray()) {
                const PdfObject* stream = Resolved(objects, &element);
                if (stream != nullptr && stream->HasStream()) {
                    streams.push_back(stream);
                }
            }
        } else if (contents != nullptr && contents->HasStream()) {
            streams.push_back(contents);
        }
        if (!streams.empty()) {
            content(streams, resources);
        }
        resourcesOf(resources);
        const PdfObject* annotations = Entry(objects, page.object, "Annots");
        if (annotations == nullptr || !annotations->IsArray()) {
            continue;
        }
        for (const PdfObject& element : annotations->GetArray()) {
            const PdfObject* appearance =
                Entry(objects, Entry(objects, Resolved(objects, &element), "AP"), "N");
            if (appearance != nullptr && appearance->IsDictionary() && !appearance->HasStream()) {
                for (const auto& [state, stream] : appearance->GetDictionary().GetKeys()) {
                    formOf(Resolved(objects, stream));
                }
            } else {
                formOf(appearance);
            }
        }
    }
}

bool UsesCmyk(const PdfVecObjects& objects, const PdfObject* space, int depth = 0) {
    space = Resolved(objects, space);
    if (space == nullptr || depth > 8) {
        return false;
    }
    if (space->IsName()) {
        return space->GetName() == PdfName("DeviceCMYK");
    }
    if (space->IsArray()) {
        const PdfArray& items = space->GetArray();
        if (!items.empty() && IsName(Resolved(objects, &items[0]), "ICCBased")) {
            return false;  // calibrated: needs no output intent
        }
        for (const PdfObject& item : items) {
            if (UsesCmyk(objects, &item, depth + 1)) {
                return true;
            }
        }
    }
    return false;
}

void AddOnce(std::vector<std::string>& list, const std::string& text) {
    for (const std::string& known : list) {
        if (known == text) {
            return;
        }
    }
    list.push_back(text);
}

bool FontEmbedded(const PdfVecObjects& objects, const PdfObject* font) {
    const PdfObject* subtype = Entry(objects, font, "Subtype");
    if (IsName(subtype, "Type3")) {
        return true;
    }
    if (IsName(subtype, "Type0")) {
        const PdfObject* descendants = Entry(objects, font, "DescendantFonts");
        if (descendants == nullptr || !descendants->IsArray() || descendants->GetArray().empty()) {
            return false;
        }
        font = Resolved(objects, &descendants->GetArray()[0]);
    }
    const PdfObject* descriptor = Entry(objects, font, "FontDescriptor");
    return Entry(objects, descriptor, "FontFile") != nullptr ||
           Entry(objects, descriptor, "FontFile2") != nullptr ||
           Entry(objects, descriptor, "FontFile3") != nullptr;
}

// The visibility of every group and membership dictionary of the part's default configuration.
class LayerVisibility {
  public:
    explicit LayerVisibility(const PublishedPdf& part) : objects_(part.Document().GetObjects()) {
        const PdfObject* properties = Entry(objects_, part.Document().GetCatalog(), "OCProperties");
        const PdfObject* config = Entry(objects_, properties, "D");
        offByDefault_ = IsName(Entry(objects_, config, "BaseState"), "OFF");
        Collect(Entry(objects_, config, "ON"), on_);
        Collect(Entry(objects_, config, "OFF"), off_);
    }

    bool Visible(const PdfObject* item) const {
        if (item == nullptr) {
            return true;
        }
        const PdfObject* object = Resolved(objects_, item);
        if (object == nullptr || !object->IsDictionary()) {
            return true;
        }
        if (IsName(Entry(objects_, object, "Type"), "OCMD")) {
            return MembershipVisible(*object);
        }
        return GroupVisible(item);
    }

  private:
    static void Collect(const PdfObject* list, std::unordered_set<std::uint64_t>& keys) {
        if (list != nullptr && list->IsArray()) {
            for (const PdfObject& item : list->GetArray()) {
                if (item.IsReference()) {
                    keys.insert(ReferenceKey(item.GetReference()));
                }
            }
        }
    }
    bool GroupVisible(const PdfObject* group) const {
        if (group == nullptr || !group->IsReference()) {
            return !offByDefault_;
        }
        const std::uint64_t key = ReferenceKey(group->GetReference());
        return offByDefault_ ? on_.count(key) != 0 : off_.count(key) == 0;
    }
    bool MembershipVisible(const PdfObject& membership) const {
        const PdfObject* raw = membership.GetDictionary().GetKey(PdfName("OCGs"));
        std::vector<bool> states;
        const PdfObject* groups = Resolved(objects_, raw);
        if (groups != nullptr && groups->IsArray()) {
            for (const PdfObject& group : groups->GetArray()) {
                states.push_back(GroupVisible(&group));
            }
        } else if (raw != nullptr) {
            states.push_back(GroupVisible(raw));
        }
        if (states.empty()) {
            return true;
        }
        const PdfObject* policy = Entry(objects_, &membership, "P");
        std::size_t onCount = 0;
        for (const bool state : states) {
            onCount += state ? 1 : 0;
        }
        if (IsName(policy, "AllOn")) {
            return onCount == states.size();
        }
        if (IsName(policy, "AnyOff")) {
            return onCount < states.size();
        }
        if (IsName(policy, "AllOff")) {
            return onCount == 0;
        }
        return onCount > 0;  // AnyOn
    }

    const PdfVecObjects& objects_;
    bool offByDefault_ = false;
    std::unordered_set<std::uint64_t> on_;
    std::unordered_set<std::uint64_t> off_;
};

// The content without the marked sections of hidden layers, and without the layer marks of visible
// ones. Returns false (content unchanged) when the content marks no layer.
bool FlattenContent(const PdfVecObjects& objects, const std::string& content, const PdfObject* resources,
                    const LayerVisibility& layers, std::string& flattened) {
    if (content.find("BDC") == std::string::npos || content.find("/OC") == std::string::npos) {
        return false;
    }
    const PdfObject* properties = Entry(objects, resources, "Properties");
    PdfContentsTokenizer tokenizer(content.data(), static_cast<long>(content.size()));
    EPdfContentsType type;
    const char* keyword = nullptr;
    PdfVariant variant;
    std::vector<std::string> operands;
    std::vector<PdfVariant> values;
    std::vector<bool> dropEnd;  // per open marked section: its EMC goes too
    int hiddenDepth = 0;        // > 0 inside a hidden layer's section
    bool changed = false;
    std::string out;
    while (tokenizer.ReadNext(type, keyword, variant)) {
        if (type == ePdfContentsType_Variant) {
            std::string text;
            variant.ToString(text, ePdfWriteMode_Compact);
            operands.push_back(text);
            values.push_back(variant);
            continue;
        }
        if (type == ePdfContentsType_ImageData) {
            std::string text;
            variant.ToString(text, ePdfWriteMode_Compact);
            if (hiddenDepth == 0) {
                out += text;
                out += '\n';
            }
            continue;
        }
        const std::string op = keyword != nullptr ? keyword : "";
        bool emit = hiddenDepth == 0;
        if (op == "BDC" || op == "BMC") {
            if (hiddenDepth > 0) {
                ++hiddenDepth;
            } else if (op == "BDC" && values.size() == 2 && values[0].IsName() &&
                       values[0].GetName() == PdfName("OC")) {
                const PdfObject* group = nullptr;
                if (values[1].IsName() && properties != nullptr && properties->IsDictionary()) {
                    group = properties->GetDictionary().GetKey(values[1].GetName());
                }
                changed = true;
                emit = false;
                if (layers.Visible(group)) {
                    dropEnd.push_back(true);
                } else {
                    hiddenDepth = 1;
                }
            } else {
                dropEnd.push_back(false);
            }
        } else if (op == "EMC") {
            if (hiddenDepth > 0) {
                --hiddenDepth;
                emit = false;
            } else if (!dropEnd.empty()) {
                emit = !dropEnd.back();
                dropEnd.pop_back();
            }
        }
        if (emit) {
            for (const std::string& operand : operands) {
                out += operand;
                out += ' ';
            }
            out += op;
            out += '\n';
        }
        operands.clear();
        values.clear();
    }
    flattened = std::move(out);
    return changed;
}

// The glyph count of a TrueType font program (its 'maxp' table), 0 when it cannot be read.
unsigned GlyphCount(const std::string& font) {
    const auto u16 = [&font](std::size_t at) {
        return at + 2 <= font.size() ? static_cast<unsigned>(static_cast<unsigned char>(font[at]) << 8 |
                                                             static_cast<unsigned char>(font[at + 1]))
                                     : 0u;
    };
    const auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    const unsigned tables = u16(4);
    for (unsigned i = 0; i < tables; ++i) {
        const std::size_t entry = 12 + 16 * static_cast<std::size_t>(i);
        if (entry + 16 > font.size()) {
            break;
        }
        if (font.compare(entry, 4, "maxp") == 0) {
            return u16(u32(entry + 8) + 4);
        }
    }
    return 0;
}

// A composite TrueType font as PDF/A-1 wants it: its CID-to-glyph map spelt out and, for a subset,
// the set of CIDs it holds.
void CompleteCidFont(PdfVecObjects& objects, PdfObject* font) {
    if (font == nullptr || !font->IsDictionary() ||
        !IsName(Entry(objects, font, "Subtype"), "CIDFontType2")) {
        return;
    }
    PdfObject* descriptor = Entry(objects, font, "FontDescriptor");
    PdfObject* program = Entry(objects, descriptor, "FontFile2");
    if (descriptor == nullptr || program == nullptr || !program->HasStream()) {
        return;
    }
    PdfObject* map = Entry(objects, font, "CIDToGIDMap");
    if (map == nullptr) {
        font->GetDictionary().AddKey(PdfName("CIDToGIDMap"), PdfName("Identity"));
        map = Entry(objects, font, "CIDToGIDMap");
    }
    const PdfObject* base = Entry(objects, font, "BaseFont");
    const bool subset = base != nullptr && base->IsName() && base->GetName().GetName().size() > 7 &&
                        base->GetName().GetName()[6] == '+';
    if (!subset || Entry(objects, descriptor, "CIDSet") != nullptr) {
        return;
    }
    std::vector<bool> present;
    if (IsName(map, "Identity")) {
        present.assign(GlyphCount(Decoded(*program)), true);
    } else if (map != nullptr && map->HasStream()) {
        const std::string gids = Decoded(*map);
        for (std::size_t cid = 0; cid * 2 + 1 < gids.size(); ++cid) {
            present.push_back(cid == 0 || gids[cid * 2] != 0 || gids[cid * 2 + 1] != 0);
        }
    }
    if (present.empty()) {
        return;
    }
    std::string bits((present.size() + 7) / 8, '\0');
    for (std::size_t cid = 0; cid < present.size(); ++cid) {
        if (present[cid]) {
            bits[cid / 8] = static_cast<char>(bits[cid / 8] | (0x80 >> (cid % 8)));
        }
    }
    PdfObject* set = objects.CreateObject(PdfVariant(PdfDictionary()));
    set->GetStream()->Set(bits.data(), static_cast<pdf_long>(bits.size()));
    descriptor->GetDictionary().AddKey(PdfName("CIDSet"), set->Reference());
}

std::string InfoDate(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::strftime(text, sizeof text, "D:%Y%m%d%H%M%S+00'00'", &utc);
    return text;
}

std::string XmpDate(const std::string& info) {
    // "D:YYYYMMDDHHmmSS+00'00'" -> "YYYY-MM-DDTHH:mm:SS+00:00"
    if (info.size() < 16) {
        return {};
    }
    const std::string d = info.substr(2);
    return d.substr(0, 4) + '-' + d.substr(4, 2) + '-' + d.substr(6, 2) + 'T' + d.substr(8, 2) + ':' +
           d.substr(10, 2) + ':' + d.substr(12, 2) + "+00:00";
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The metric-compatible font programs (fonts-urw-base35) of the standard fonts that PDF files may use
// without embedding them.
const char* StandardFontFile(const std::string& name) {
    static const std::pair<const char*, const char*> kFiles[] = {
        {"Helvetica", "NimbusSans-Regular"},        {"Helvetica-Bold", "NimbusSans-Bold"},
        {"Helvetica-Oblique", "NimbusSans-Italic"}, {"Helvetica-BoldOblique", "NimbusSans-BoldItalic"},
        {"Times-Roman", "NimbusRoman-Regular"},     {"Times-Bold", "NimbusRoman-Bold"},
        {"Times-Italic", "NimbusRoman-Italic"},     {"Times-BoldItalic", "NimbusRoman-BoldItalic"},
        {"Courier", "NimbusMonoPS-Regular"},        {"Courier-Bold", "NimbusMonoPS-Bold"},
        {"Courier-Oblique", "NimbusMonoPS-Italic"}, {"Courier-BoldOblique", "NimbusMonoPS-BoldItalic"},
    };
    for (const auto& [standard, file] : kFiles) {
        if (name == standard) {
            return file;
        }
    }
    return nullptr;
}

// Embeds the program of a standard text font the part uses without embedding it, when the system has
// it and the font's encoding is one the program can be written with (the standard or the Windows
// encoding). Its widths become those of the embedded program.
void EmbedStandardFont(PdfMemDocument& document, PdfObject& font) {
    PdfVecObjects& objects = document.GetObjects();
    const PdfObject* subtype = Entry(objects, &font, "Subtype");
    const PdfObject* base = Entry(objects, &font, "BaseFont");
    if (!(IsName(subtype, "Type1") || IsName(subtype, "TrueType")) || base == nullptr || !base->IsName() ||
        FontEmbedded(objects, &font)) {
        return;
    }
    const char* file = StandardFontFile(base->GetName().GetName());
    if (file == nullptr) {
        return;
    }
    const PdfObject* encodingName = Entry(objects, &font, "Encoding");
    const PdfEncoding* encoding = nullptr;
    if (encodingName == nullptr || IsName(encodingName, "StandardEncoding")) {
        encoding = PdfEncodingFactory::GlobalStandardEncodingInstance();
    } else if (IsName(encodingName, "WinAnsiEncoding")) {
        encoding = PdfEncodingFactory::GlobalWinAnsiEncodingInstance();
    } else {
        return;  // a differences encoding: the widths would not follow it
    }
    const std::string path = std::string("/usr/share/fonts/X11/Type1/") + file + ".pfb";
    std::string probe;
    if (!ReadWholeFile(path, probe)) {
        return;
    }
    PdfFont* made = document.CreateFont(file, false, false, false, encoding,
                                        PdfFontCache::eFontCreationFlags_None, true, path.c_str());
    if (made == nullptr || made->GetObject() == nullptr || !made->GetObject()->IsDictionary()) {
        return;
    }
    const PdfDictionary& program = made->GetObject()->GetDictionary();
    for (const char* key : {"BaseFont", "FontDescriptor", "Widths", "FirstChar", "LastChar", "Encoding"}) {
        if (const PdfObject* value = program.GetKey(PdfName(key))) {
            font.GetDictionary().AddKey(PdfName(key), *value);
        } else {
            font.GetDictionary().RemoveKey(PdfName(key));
        }
    }
    font.GetDictionary().AddKey(PdfName("Subtype"), PdfName("Type1"));
}

void EmbedStandardFonts(PublishedPdf& part) {
    PdfMemDocument& document = part.Document();
    PdfVecObjects& objects = document.GetObjects();
    std::vector<PdfObject*> fonts;
    VisitResources(
        part,
        [&](const PdfObject& resources) {
            const PdfObject* entries = Entry(objects, &resources, "Font");
            if (entries != nullptr && entries->IsDictionary()) {
                for (const auto& [name, value] : entries->GetDictionary().GetKeys()) {
                    if (PdfObject* font = Resolved(objects, value); font != nullptr && font->IsDictionary()) {
                        fonts.push_back(font);
                    }
                }
            }
        },
        [](const std::vector<const PdfObject*>&, const PdfObject*) {});
    std::unordered_set<PdfObject*> done;
    for (PdfObject* font : fonts) {
        if (done.insert(font).second) {
            EmbedStandardFont(document, *font);
        }
    }
}

}  // namespace

std::vector<std::string> PdfAObstacles(const PublishedPdf& part) {
    const PdfVecObjects& objects = part.Document().GetObjects();
    std::vector<std::string> obstacles;
    VisitResources(
        part,
        [&](const PdfObject& resources) {
            const PdfObject* states = Entry(objects, &resources, "ExtGState");
            if (states != nullptr && states->IsDictionary()) {
                for (const auto& [name, value] : states->GetDictionary().GetKeys()) {
                    const PdfObject* state = Resolved(objects, value);
                    const PdfObject* mask = Entry(objects, state, "SMask");
                    const PdfObject* blend = Entry(objects, state, "BM");
                    if (blend != nullptr && blend->IsArray() && !blend->GetArray().empty()) {
                        blend = Resolved(objects, &blend->GetArray()[0]);
                    }
                    if (NumberOf(Entry(objects, state, "CA"), 1) < 1 ||
                        NumberOf(Entry(objects, state, "ca"), 1) < 1 ||
                        (mask != nullptr && !IsName(mask, "None")) ||
                        (blend != nullptr && !IsName(blend, "Normal") && !IsName(blend, "Compatible"))) {
                        AddOnce(obstacles, "прозрачность");
                    }
                }
            }
            const PdfObject* xobjects = Entry(objects, &resources, "XObject");
            if (xobjects != nullptr && xobjects->IsDictionary()) {
                for (const auto& [name, value] : xobjects->GetDictionary().GetKeys()) {
                    const PdfObject* image = Resolved(objects, value);
                    if (!IsName(Entry(objects, image, "Subtype"), "Image")) {
                        continue;
                    }
                    if (Entry(objects, image, "SMask") != nullptr ||
                        NumberOf(Entry(objects, image, "SMaskInData"), 0) > 0) {
                        AddOnce(obstacles, "прозрачность");
                    }
                    if (UsesCmyk(objects, Entry(objects, image, "ColorSpace"))) {
                        AddOnce(obstacles, "цвета CMYK без профиля");
                    }
                }
            }
            const PdfObject* fonts = Entry(objects, &resources, "Font");
            if (fonts != nullptr && fonts->IsDictionary()) {
                for (const auto& [name, value] : fonts->GetDictionary().GetKeys()) {
                    const PdfObject* font = Resolved(objects, value);
                    if (font != nullptr && !FontEmbedded(objects, font)) {
                        const PdfObject* base = Entry(objects, font, "BaseFont");
                        AddOnce(obstacles, "шрифт не встроен: " + (base != nullptr && base->IsName()
                                                                       ? base->GetName().GetName()
                                                                       : name.GetName()));
                    }
                }
            }
            const PdfObject* spaces = Entry(objects, &resources, "ColorSpace");
            if (spaces != nullptr && spaces->IsDictionary()) {
                for (const auto& [name, value] : spaces->GetDictionary().GetKeys()) {
                    if (UsesCmyk(objects, value)) {
                        AddOnce(obstacles, "цвета CMYK без профиля");
                    }
                }
            }
        },
        [&](const std::vector<const PdfObject*>& streams, const PdfObject*) {
            // Device CMYK set by the operators themselves.
            const std::string content = Decoded(streams);
            PdfContentsTokenizer tokenizer(content.data(), static_cast<long>(content.size()));
            EPdfContentsType type;
            const char* keyword = nullptr;
            PdfVariant variant;
            PdfVariant last;
            while (tokenizer.ReadNext(type, keyword, variant)) {
                if (type == ePdfContentsType_Keyword && keyword != nullptr) {
                    const std::string op = keyword;
                    if (op == "k" || op == "K" ||
                        ((op == "cs" || op == "CS") && last.IsName() &&
                         last.GetName() == PdfName("DeviceCMYK"))) {
                        AddOnce(obstacles, "цвета CMYK без профиля");
                        return;
                    }
                } else if (type == ePdfContentsType_Variant) {
                    last = variant;
                }
            }
        });
    for (const PublishedPage& page : part.Pages()) {
        const PdfObject* annotations = Entry(objects, page.object, "Annots");
        if (annotations == nullptr || !annotations->IsArray()) {
            continue;
        }
        for (const PdfObject& element : annotations->GetArray()) {
            const PdfObject* subtype = Entry(objects, Resolved(objects, &element), "Subtype");
            if (IsName(subtype, "FileAttachment") || IsName(subtype, "Sound") || IsName(subtype, "Movie")) {
                AddOnce(obstacles, "вложенные файлы или мультимедиа");
            }
            if (IsName(subtype, "Widget") && Entry(objects, Resolved(objects, &element), "AP") == nullptr) {
                AddOnce(obstacles, "поле формы без внешнего вида");
            }
        }
    }
    return obstacles;
}

bool FlattenOptionalContent(PublishedPdf& part) {
    PdfVecObjects& objects = part.Document().GetObjects();
    PdfObject* catalog = part.Document().GetCatalog();
    if (catalog == nullptr || catalog->GetDictionary().GetKey(PdfName("OCProperties")) == nullptr) {
        return false;
    }
    const LayerVisibility layers(part);
    VisitResources(
        part,
        [&](const PdfObject& resources) {
            // Forms and images of hidden layers are replaced by nothing; visible ones lose their layer.
            PdfObject* xobjects = Entry(objects, const_cast<PdfObject*>(&resources), "XObject");
            if (xobjects == nullptr || !xobjects->IsDictionary()) {
                return;
            }
            for (auto& [name, value] : xobjects->GetDictionary().GetKeys()) {
                PdfObject* xobject = Resolved(objects, value);
                if (xobject == nullptr || !xobject->IsDictionary()) {
                    continue;
                }
                const PdfObject* group = xobject->GetDictionary().GetKey(PdfName("OC"));
                if (group == nullptr) {
                    continue;
                }
                if (layers.Visible(group)) {
                    xobject->GetDictionary().RemoveKey(PdfName("OC"));
                } else {
                    PdfObject* empty = objects.CreateObject(PdfVariant(PdfDictionary()));
                    empty->GetDictionary().AddKey(PdfName("Type"), PdfName("XObject"));
                    empty->GetDictionary().AddKey(PdfName("Subtype"), PdfName("Form"));
                    PdfArray box;
                    for (int i = 0; i < 4; ++i) {
                        box.push_back(static_cast<pdf_int64>(0));
                    }
                    empty->GetDictionary().AddKey(PdfName("BBox"), box);
                    empty->GetStream()->Set("", 0, TVecFilters());
                    *value = PdfObject(empty->Reference());
                }
            }
        },
        [&](const std::vector<const PdfObject*>& streams, const PdfObject* resources) {
            std::string flattened;
            if (!FlattenContent(objects, Decoded(streams), resources, layers, flattened)) {
                return;
            }
            for (std::size_t i = 0; i < streams.size(); ++i) {
                const std::string& data = i == 0 ? flattened : std::string();
                const_cast<PdfObject*>(streams[i])
                    ->GetStream()
                    ->Set(data.data(), static_cast<pdf_long>(data.size()));
            }
        });
    for (const PublishedPage& page : part.Pages()) {
        PdfObject* annotations = Entry(objects, page.object, "Annots");
        if (annotations == nullptr || !annotations->IsArray()) {
            continue;
        }
        PdfArray kept;
        for (PdfObject& element : annotations->GetArray()) {
            PdfObject* annotation = Resolved(objects, &element);
            const PdfObject* group = annotation != nullptr && annotation->IsDictionary()
                                         ? annotation->GetDictionary().GetKey(PdfName("OC"))
                                         : nullptr;
            if (group != nullptr && !layers.Visible(group)) {
                continue;
            }
            if (group != nullptr) {
                annotation->GetDictionary().RemoveKey(PdfName("OC"));
            }
            kept.push_back(element);
        }
        annotations->GetArray() = kept;
    }
    catalog->GetDictionary().RemoveKey(PdfName("OCProperties"));
    return true;
}

void CleanForPdfA(PublishedPdf& part) {
    PdfVecObjects& objects = part.Document().GetObjects();
    for (const PublishedPage& page : part.Pages()) {
        page.object->GetDictionary().RemoveKey(PdfName("Group"));
    }
    VisitResources(
        part,
        [&objects](const PdfObject& resources) {
            PdfObject* fonts = Entry(objects, const_cast<PdfObject*>(&resources), "Font");
            if (fonts == nullptr || !fonts->IsDictionary()) {
                return;
            }
            for (const auto& [name, value] : fonts->GetDictionary().GetKeys()) {
                PdfObject* descendants = Entry(objects, Resolved(objects, value), "DescendantFonts");
                if (descendants != nullptr && descendants->IsArray() && !descendants->GetArray().empty()) {
                    CompleteCidFont(objects, Resolved(objects, &descendants->GetArray()[0]));
                }
            }
        },
        [](const std::vector<const PdfObject*>& streams, const PdfObject*) {
            if (streams.size() == 1) {  // a form (a page's Group went above; a stream has none)
                const_cast<PdfObject*>(streams[0])->GetDictionary().RemoveKey(PdfName("Group"));
            }
        });
}

std::string FindSrgbProfile() {
    for (const char* path : {"/usr/share/color/icc/sRGB.icc", "/usr/share/color/icc/colord/sRGB.icc",
                             "/usr/share/color/icc/ghostscript/srgb.icc"}) {
        std::string bytes;
        if (ReadWholeFile(path, bytes) && bytes.size() > 128) {
            return bytes;
        }
    }
    return {};
}

std::string PdfAMetadata(const std::string& title, const std::string& producer, const std::string& creator,
                         const std::string& date) {
    const std::string when = XmpDate(date);
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
           "<pdfaid:part>1</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>\n"
           "</rdf:Description>\n"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
           XmlEscaped(title) +
           "</rdf:li></rdf:Alt></dc:title>\n"
           "</rdf:Description>\n"
           "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
           "<pdf:Producer>" +
           XmlEscaped(producer) +
           "</pdf:Producer>\n"
           "</rdf:Description>\n"
           "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
           "<xmp:CreatorTool>" +
           XmlEscaped(creator) + "</xmp:CreatorTool>\n<xmp:CreateDate>" + when +
           "</xmp:CreateDate>\n<xmp:ModifyDate>" + when +
           "</xmp:ModifyDate>\n"
           "</rdf:Description>\n"
           "</rdf:RDF>\n"
           "</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>";
}

bool FinishPdfA(CombinedDocument& combined, const std::string& title, std::string& reason) {
    const std::string profile = FindSrgbProfile();
    if (profile.empty()) {
        reason = "нет профиля sRGB (пакет icc-profiles-free)";
        return false;
    }
    PdfMemDocument& document = combined.Document();
    PdfVecObjects& objects = document.GetObjects();
    PdfDictionary& catalog = document.GetCatalog()->GetDictionary();

    const std::string producer = "Docvane";
    const std::string date = InfoDate(std::time(nullptr));
    PdfObject* info = document.GetInfo()->GetObject();
    PdfDictionary& values = info->GetDictionary();
    values.Clear();
    values.AddKey(PdfName("Title"), PdfString(reinterpret_cast<const pdf_utf8*>(title.c_str())));
    values.AddKey(PdfName("Producer"), PdfString(producer));
    values.AddKey(PdfName("Creator"), PdfString(producer));
    values.AddKey(PdfName("CreationDate"), PdfString(date));
    values.AddKey(PdfName("ModDate"), PdfString(date));

    const std::string xmp = PdfAMetadata(title, producer, producer, date);
    PdfObject* metadata = objects.CreateObject(PdfVariant(PdfDictionary()));
    metadata->GetDictionary().AddKey(PdfName("Type"), PdfName("Metadata"));
    metadata->GetDictionary().AddKey(PdfName("Subtype"), PdfName("XML"));
    metadata->GetStream()->Set(xmp.data(), static_cast<pdf_long>(xmp.size()), TVecFilters());
    catalog.AddKey(PdfName("Metadata"), metadata->Reference());

    PdfObject* icc = objects.CreateObject(PdfVariant(PdfDictionary()));
    icc->GetDictionary().AddKey(PdfName("N"), static_cast<pdf_int64>(3));
    icc->GetStream()->Set(profile.data(), static_cast<pdf_long>(profile.size()));
    PdfDictionary intent;
    intent.AddKey(PdfName("Type"), PdfName("OutputIntent"));
    intent.AddKey(PdfName("S"), PdfName("GTS_PDFA1"));
    intent.AddKey(PdfName("OutputConditionIdentifier"), PdfString("sRGB IEC61966-2.1"));
    intent.AddKey(PdfName("Info"), PdfString("sRGB IEC61966-2.1"));
    intent.AddKey(PdfName("DestOutputProfile"), icc->Reference());
    PdfArray intents;
    intents.push_back(intent);
    catalog.AddKey(PdfName("OutputIntents"), intents);
    catalog.RemoveKey(PdfName("OCProperties"));

    for (int i = 0; i < combined.PageCount(); ++i) {
        PdfObject* annotations = Entry(objects, &combined.Page(i), "Annots");
        if (annotations == nullptr || !annotations->IsArray()) {
            continue;
        }
        for (PdfObject& element : annotations->GetArray()) {
            PdfObject* annotation = Resolved(objects, &element);
            if (annotation == nullptr || !annotation->IsDictionary()) {
                continue;
            }
            // Printed and never hidden (flags 1 invisible, 2 hidden, 4 print, 32 no view), opaque.
            const auto flags = static_cast<pdf_int64>(NumberOf(Entry(objects, annotation, "F"), 0));
            annotation->GetDictionary().AddKey(PdfName("F"),
                                               (flags | 4) & ~static_cast<pdf_int64>(1 | 2 | 32));
            annotation->GetDictionary().RemoveKey(PdfName("CA"));
        }
    }

    document.SetPdfVersion(ePdfVersion_1_4);
    combined.SetPdfA(true);
    return true;
}

void PrepareForPdfA(PublishedPdf& part, const std::string& pdfName, PdfAState& state,
                    std::vector<std::string>& warnings) {
    if (!state.on) {
        return;
    }
    std::vector<std::string> obstacles;
    try {
        EmbedStandardFonts(part);
        obstacles = PdfAObstacles(part);
    } catch (...) {
        // Content the check cannot read cannot be shown to conform; the part itself is merged as it is.
        obstacles = {"содержимое страниц не читается"};
    }
    if (!obstacles.empty()) {
        std::string reasons;
        for (const std::string& obstacle : obstacles) {
            reasons += (reasons.empty() ? "" : "; ") + obstacle;
        }
        const std::string line = kNotPdfALine + reasons + "): " + pdfName;
        LogWarning(line);
        warnings.push_back(line);
        state.on = false;
        return;
    }
    bool hadLayers = false;
    try {
        hadLayers = FlattenOptionalContent(part);
        CleanForPdfA(part);
    } catch (...) {
        const std::string line = kNotPdfALine + std::string("содержимое страниц не читается): ") + pdfName;
        LogWarning(line);
        warnings.push_back(line);
        state.on = false;
        return;
    }
    if (hadLayers) {
        const std::string line = kLayersRemovedLine + pdfName;
        LogWarning(line);
        warnings.push_back(line);
    }
}

}  // namespace docvane
