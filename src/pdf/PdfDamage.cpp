#include "pdf/PdfDamage.h"

#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_set>

#include "pdf/PdfLookup.h"

namespace docvane {

using namespace PoDoFo;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    return IsBlank(c) || std::strchr("()<>[]{}/%", c) != nullptr;
}

// Where the data of the stream object starting at offset begins: after the "stream" keyword and its
// line end. npos when there is no such keyword.
std::size_t StreamStart(const std::string& bytes, std::size_t offset) {
    for (std::size_t at = bytes.find("stream", offset); at != std::string::npos;
         at = bytes.find("stream", at + 6)) {
        if (at >= 3 && bytes.compare(at - 3, 3, "end") == 0) {
            continue;
        }
        std::size_t start = at + 6;
        if (start < bytes.size() && bytes[start] == '\r') {
            ++start;
        }
        if (start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
        return start;
    }
    return std::string::npos;
}

// Content streams of a page in order (a single stream or an array of them).
std::vector<const PdfObject*> ContentStreams(const PdfVecObjects& objects, const PdfObject& page) {
    std::vector<const PdfObject*> streams;
    const PdfObject* contents = Resolved(objects, page.GetDictionary().GetKey(PdfName("Contents")));
    if (contents != nullptr && contents->IsArray()) {
        for (const PdfObject& item : contents->GetArray()) {
            const PdfObject* stream = Resolved(objects, &item);
            if (stream != nullptr && stream->HasStream()) {
                streams.push_back(stream);
            }
        }
    } else if (contents != nullptr && contents->HasStream()) {
        streams.push_back(contents);
    }
    return streams;
}

// True when data starts like page content: among its first tokens is a content operator. Garbage from
// a wrong key has no blank-delimited operators.
bool LooksLikeContent(std::string_view data) {
    static const std::unordered_set<std::string_view> operators = {
        "q",  "Q",  "cm", "w",  "J",  "j",  "M",  "d",  "gs",  "m",   "l",   "c",  "v",  "y",   "h",   "re",
        "S",  "s",  "f",  "F",  "f*", "B",  "b",  "n",  "W",   "W*",  "BT",  "ET", "Tc", "Tw",  "Tz",  "TL",
        "Tf", "Tr", "Ts", "Td", "TD", "Tm", "T*", "Tj", "TJ",  "cs",  "CS",  "sc", "SC", "scn", "SCN", "g",
        "G",  "rg", "RG", "k",  "K",  "sh", "Do", "BI", "BDC", "BMC", "EMC", "MP", "DP", "ri",  "i"};
    data = data.substr(0, 4096);
    std::size_t i = 0;
    bool sawToken = false;
    while (i < data.size()) {
        while (i < data.size() && IsDelimiter(data[i])) {
            ++i;
        }
        std::size_t end = i;
        while (end < data.size() && !IsDelimiter(data[end])) {
            ++end;
        }
        if (end > i && operators.count(data.substr(i, end - i)) != 0) {
            return true;
        }
        sawToken = sawToken || end > i;
        i = end;
    }
    return !sawToken;  // blank content is no sign of a wrong key
}

}  // namespace

std::string StreamLengthDamage(const PdfMemDocument& document, const std::string& bytes) {
    // PoDoFo replaces the /Length of a decrypted stream by the decrypted length (shorter for AES), so
    // the file's own value is gone; a cut stream of an encrypted file fails its decryption check.
    if (document.GetEncrypt() != nullptr) {
        return {};
    }
    const PdfVecObjects& objects = document.GetObjects();
    for (const PdfObject* object : objects) {
        const auto* parsed = dynamic_cast<const PdfParserObject*>(object);
        // Objects read from object streams have no place of their own in the file and no stream.
        if (parsed == nullptr || parsed->GetOffset() < 0 || !object->IsDictionary() || !object->HasStream()) {
            continue;
        }
        const PdfObject* length = Resolved(objects, object->GetDictionary().GetKey(PdfName("Length")));
        const std::size_t start = StreamStart(bytes, static_cast<std::size_t>(parsed->GetOffset()));
        if (length == nullptr || !length->IsNumber() || length->GetNumber() < 0 ||
            start == std::string::npos ||
            static_cast<std::uint64_t>(length->GetNumber()) > bytes.size() - start) {
            return "неверная длина потока";
        }
        std::size_t end = start + static_cast<std::size_t>(length->GetNumber());
        while (end < bytes.size() && IsBlank(bytes[end])) {
            ++end;
        }
        if (bytes.compare(end, 9, "endstream") != 0) {
            return "неверная длина потока";
        }
    }
    return {};
}

std::string DecryptionDamage(const PdfMemDocument& document, const std::vector<PdfObject*>& pages) {
    if (document.GetEncrypt() == nullptr) {
        return {};
    }
    for (const PdfObject* page : pages) {
        for (const PdfObject* stream : ContentStreams(document.GetObjects(), *page)) {
            char* data = nullptr;
            pdf_long size = 0;
            try {
                stream->GetStream()->GetFilteredCopy(&data, &size);
            } catch (const PdfError&) {
                return "содержимое не расшифровывается";
            }
            const std::unique_ptr<char, void (*)(void*)> owned(data, &podofo_free);
            if (size > 0 && !LooksLikeContent(std::string_view(data, static_cast<std::size_t>(size)))) {
                return "содержимое не расшифровывается";
            }
        }
    }
    return {};
}

}  // namespace docvane
