#include "pdf/PageNumbering.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <string>

#include "base/PathUtils.h"
#include "pdf/CombinedPdfTexts.h"
#include "pdf/ContentDepth.h"
#include "pdf/FontLookup.h"
#include "pdf/PageGeometry.h"
#include "pdf/PdfLibrary.h"
#include "project/DocvaneDoc.h"
#include "run/Log.h"

namespace docvane {

using namespace PoDoFo;

namespace {

PdfReference StreamObject(PdfVecObjects& objects, const std::string& text) {
    PdfObject* object = objects.CreateObject(PdfVariant(PdfDictionary()));
    object->GetStream()->Set(text.data(), static_cast<pdf_long>(text.size()), TVecFilters());
    return object->Reference();
}

bool DrawsSomething(const PdfVecObjects& objects, const PdfObject& element) {
    if (!element.IsReference()) {
        return false;
    }
    const PdfObject* stream = objects.GetObject(element.GetReference());
    return stream != nullptr && stream->IsDictionary() && stream->HasStream() &&
           stream->GetStream()->GetLength() > 0;
}

// A number as content streams write it: fixed point, whatever locale the program runs in.
void AppendNumber(std::string& text, double value, int decimals) {
    char digits[64];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (error == std::errc()) {
        text.append(digits, end);
    } else {
        text += '0';
    }
}

// The dictionary under key (followed when it is a reference); one is put there when the entry is
// missing or no dictionary.
PdfObject& DictionaryEntry(PdfObject& parent, const PdfName& key) {
    PdfObject* entry = parent.GetIndirectKey(key);
    if (entry == nullptr || !entry->IsDictionary()) {
        parent.GetDictionary().AddKey(key, PdfDictionary());
        entry = parent.GetDictionary().GetKey(key);
    }
    return *entry;
}

std::string Repeated(const char* text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

// How the page's content streams, in order, move the graphics-state stack. A stream that cannot be
// decoded counts as balanced: nothing better is known of it.
StateDepth PageStateDepth(const PdfVecObjects& objects, const PdfArray& elements) {
    StateDepth depth;
    for (const PdfObject& element : elements) {
        if (!DrawsSomething(objects, element)) {
            continue;
        }
        char* data = nullptr;
        pdf_long size = 0;
        try {
            objects.GetObject(element.GetReference())->GetStream()->GetFilteredCopy(&data, &size);
        } catch (const PdfError&) {
            continue;
        }
        const std::unique_ptr<char, void (*)(void*)> owned(data, &podofo_free);
        FollowStateDepth(std::string_view(data, static_cast<std::size_t>(size)), depth);
    }
    return depth;
}

// The displayed orientation: /Rotate is a multiple of 90 and viewers take it modulo 360, so -90 shows
// like 270 and 450 like 90. Other values are ignored, as viewers do.
long DisplayedRotation(const PdfObject& page) {
    const long stored = StoredRotation(page);
    if (stored % 90 != 0) {
        return 0;
    }
    return ((stored % 360) + 360) % 360;
}

PdfFont& CreateNumberFont(PdfMemDocument& document, const PropertyDoc& settings,
                          const std::optional<std::string>& knownFile) {
    // PoDoFo's own lookup skips fontconfig's alias rules and lands on an arbitrary face, so the file is
    // found here and handed over; the face name itself is passed unchanged.
    const std::string file = knownFile ? *knownFile : FindFontFile(settings.fontName);
    if (file.empty()) {
        PODOFO_RAISE_ERROR(ePdfError_InvalidFontFile);
    }
    // Numbers use a dozen glyphs: a TrueType face is embedded as the subset the pages use, which keeps
    // a whole font (and the time to compress it) out of every combined PDF. Other font files cannot
    // be subset by the library and are embedded whole.
    const PdfEncoding* encoding = PdfEncodingFactory::GlobalWinAnsiEncodingInstance();
    PdfFont* font = IsTrueTypeFontFile(file)
                        ? document.CreateFontSubset(settings.fontName.c_str(), false, false, false, encoding,
                                                    file.c_str())
                        : document.CreateFont(settings.fontName.c_str(), false, false, false, encoding,
                                              PdfFontCache::eFontCreationFlags_None, true, file.c_str());
    if (font == nullptr) {
        PODOFO_RAISE_ERROR(ePdfError_InvalidFontFile);
    }
    font->SetFontSize(static_cast<float>(settings.fontHeight));
    return *font;
}

}  // namespace

ContentBrackets ContentBrackets::Create(PdfVecObjects& objects) {
    ContentBrackets brackets;
    brackets.open = StreamObject(objects, "q\n");
    brackets.close = StreamObject(objects, "\nQ");
    return brackets;
}

void GuardPageContent(PdfObject& page, const ContentBrackets& brackets) {
    static const PdfName kContents("Contents");
    PdfObject* contents = page.GetIndirectKey(kContents);
    if (contents == nullptr) {
        return;
    }
    PdfArray elements;
    if (contents->IsArray()) {
        elements = contents->GetArray();
    } else if (contents->IsDictionary() && contents->HasStream()) {
        // A single stream is bracketed too: painting after it must not inherit its state either.
        elements.push_back(contents->Reference());
    } else {
        return;
    }
    const PdfVecObjects& objects = *page.GetOwner();
    bool drawsSomething = false;
    for (const PdfObject& element : elements) {
        if (DrawsSomething(objects, element)) {
            drawsSomething = true;
            break;
        }
    }
    // Content that restores more states than it saves would pop the bracket's own "q", and content
    // that saves more than it restores would leave its state for the number: such a page gets
    // brackets of its own that keep the number in the default state.
    PdfReference open = brackets.open;
    PdfReference close = brackets.close;
    if (drawsSomething) {
        const StateDepth depth = PageStateDepth(objects, elements);
        if (!depth.Balanced()) {
            PdfVecObjects& owner = *page.GetOwner();
            open = StreamObject(owner, Repeated("q\n", 1 - depth.lowest));
            close = StreamObject(owner, Repeated("\nQ", 1 - depth.lowest + depth.end));
        }
    }
    // The page gets a direct array of its own either way: an array shared with other pages would
    // otherwise collect their brackets and numbers too.
    PdfArray guarded;
    guarded.reserve(elements.size() + 2);
    if (drawsSomething) {
        guarded.push_back(open);
    }
    for (const PdfObject& element : elements) {
        guarded.push_back(element);
    }
    if (drawsSomething) {
        guarded.push_back(close);
    }
    page.GetDictionary().AddKey(kContents, guarded);
}

void DrawPageNumber(PdfObject& page, PdfFont& font, long number, const PropertyDoc& settings, bool grey) {
    static const PdfName kResources("Resources");
    static const PdfName kFont("Font");
    static const PdfName kContents("Contents");
    PdfObject& fonts = DictionaryEntry(DictionaryEntry(page, kResources), kFont);
    fonts.GetDictionary().AddKey(font.GetIdentifier(), font.GetObject()->Reference());

    // Placed in the box a viewer shows, whose lower-left corner need not be the origin.
    const PageBox box = VisibleBoxOf(page);
    const double w = box.width;
    const double h = box.height;
    const double x = settings.posX * kMmToPt;
    const double y = settings.posY * kMmToPt;
    const double f = settings.fontHeight / 2;
    double theta = 0;
    double e = w - x;
    double g = h - y - f;
    const long rotation = DisplayedRotation(page);
    if (rotation == 270) {
        theta = 4.71238898038469;
        e = w - x;
        g = y + f;
    } else if (rotation == 180) {
        theta = 3.141592653589793;
        e = y + f;
        g = x;
    } else if (rotation == 90) {
        theta = 1.5707963267948966;
        e = x;
        g = h - y - f;
    }
    const double cosine = theta == 0 ? 1 : std::cos(theta);
    const double sine = theta == 0 ? 0 : std::sin(theta);

    // The number is centred on the point: half its width to the left.
    const PdfString text(std::to_string(number).c_str());
    font.SetFontSize(static_cast<float>(settings.fontHeight));
    if (font.IsSubsetting()) {
        font.AddUsedSubsettingGlyphs(text, text.GetLength());
    }
    const double left = (1 - font.GetFontMetrics()->StringWidth(text)) / 2;

    // Written directly rather than through a painter: a painter per page costs more than the rest of
    // the numbering, and a few operators are all a number needs.
    const double matrix[] = {cosine, sine, -sine, cosine, box.left + e, box.bottom + g};
    std::string stream = grey ? "0 g\n" : "1 1 1 1 k\n";
    for (const double value : matrix) {
        AppendNumber(stream, value, 15);
        stream += ' ';
    }
    stream += "cm\nBT\n/" + font.GetIdentifier().GetName() + ' ';
    AppendNumber(stream, static_cast<double>(font.GetFontSize()), 3);
    stream += " Tf\n100 Tz\n0 Tc\n";
    AppendNumber(stream, left, 3);
    // The font's own encoding gives the codes; a hex string carries any byte safely.
    stream += " 0 Td\n<";
    static const char kHex[] = "0123456789ABCDEF";
    const PdfRefCountedBuffer codes = font.GetEncoding()->ConvertToEncoding(text, &font);
    for (std::size_t i = 0; i < codes.GetSize(); ++i) {
        const auto byte = static_cast<unsigned char>(codes.GetBuffer()[i]);
        stream += kHex[byte >> 4];
        stream += kHex[byte & 15];
    }
    stream += "> Tj\nET\n";

    // After the page's own streams and its closing bracket, so the number is drawn in the default state.
    const PdfReference added = StreamObject(*page.GetOwner(), stream);
    PdfObject* contents = page.GetIndirectKey(kContents);
    if (contents != nullptr && contents->IsArray()) {
        contents->GetArray().push_back(added);
    } else if (contents != nullptr && contents->IsDictionary() && contents->HasStream()) {
        PdfArray elements;
        elements.push_back(contents->Reference());
        elements.push_back(added);
        page.GetDictionary().AddKey(kContents, elements);
    } else {
        page.GetDictionary().AddKey(kContents, added);
    }
}

long ProcessCombinedPages(CombinedDocument& combined, const CDocvaneDoc& project,
                          const std::optional<std::string>& numberFontFile) {
    const PropertyDoc& settings = project.propertyDoc;
    const std::string combinedName = FileName(project.pdfFile.fullPath);
    try {
        PdfFont* font = nullptr;
        if (settings.isNumbering) {
            LogInfo(pdftext::kNumberingLine + combinedName);
            font = &CreateNumberFont(combined.Document(), settings, numberFontFile);
        } else {
            LogInfo(pdftext::kCountingLine + combinedName);
        }
        const ContentBrackets brackets = ContentBrackets::Create(combined.Document().GetObjects());
        long a4Count = 0;
        for (int i = 0; i < combined.PageCount(); ++i) {
            PdfObject& page = combined.Page(i);
            GuardPageContent(page, brackets);
            const PageBox media = MediaBoxOf(page);
            a4Count += A4Formats(media.width, media.height);
            if (font != nullptr && i >= static_cast<long>(settings.pageFrom) - 1) {
                const long number = static_cast<long>(i) + 1 + settings.startPage - settings.pageFrom;
                DrawPageNumber(page, *font, number, settings, combined.PdfA());
            }
        }
        return a4Count;
    } catch (const PdfError& error) {
        LogError(pdftext::kCannotNumberLine + LibraryMessage(error));
    } catch (...) {
        LogError(pdftext::kCannotNumberBare);
    }
    return -1;
}

}  // namespace docvane
