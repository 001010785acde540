#include "project/ProjectFile.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string_view>
#include <type_traits>
#include <variant>

#include "app/ApplicationSettings.h"
#include "base/AtomicFile.h"
#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"
#include "project/FieldDoc.h"
#include "project/LegacyImport.h"
#include "project/PropertyDocFields.h"
#include "project/XmlText.h"

namespace docvane {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

// The elements of a table-of-contents link, in the order they are written.
struct WordRefField {
    const char* name;
    std::variant<int WordRef::*, float WordRef::*> member;
};
const WordRefField kWordRefFields[] = {
    {"pageFrom", &WordRef::pageFrom}, {"pageTo", &WordRef::pageTo},   {"point1X", &WordRef::point1X},
    {"point2X", &WordRef::point2X},   {"point1Y", &WordRef::point1Y}, {"point2Y", &WordRef::point2Y},
};

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// ---- writing ----

class TreeWriter {
  public:
    TreeWriter(XMLDocument& doc, const std::string& projectDir) : doc_(doc), relativizer_(projectDir) {}

    XMLElement* Container(XMLElement* parent, const char* name) {
        XMLElement* e = doc_.NewElement(name);
        if (parent == nullptr) {
            doc_.InsertEndChild(e);
        } else {
            parent->InsertEndChild(e);
        }
        return e;
    }
    // An element holding text is always printed with start and end tag, also for empty text.
    void Text(XMLElement* parent, const char* name, const std::string& text) {
        Container(parent, name)->SetText(text.c_str());
    }
    void Bool(XMLElement* parent, const char* name, bool value) {
        Text(parent, name, value ? "true" : "false");
    }
    void Int(XMLElement* parent, const char* name, int value) { Text(parent, name, std::to_string(value)); }
    void Float(XMLElement* parent, const char* name, float value) {
        // "%.8g" without the locale's decimal separator.
        char buffer[64];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                             std::chars_format::general, 8);
        Text(parent, name, ec == std::errc() ? std::string(buffer, end) : std::string("0"));
    }

    // The element at a path of names ("autocad/general") below parent, made on first use; groups holds
    // the ones made so far.
    XMLElement* Group(XMLElement* parent, std::string_view path,
                      std::map<std::string, XMLElement*, std::less<>>& groups) {
        const auto known = groups.find(path);
        if (known != groups.end()) {
            return known->second;
        }
        const std::size_t slash = path.rfind('/');
        XMLElement* above =
            slash == std::string_view::npos ? parent : Group(parent, path.substr(0, slash), groups);
        XMLElement* made = Container(above, std::string(path.substr(slash + 1)).c_str());
        groups.emplace(std::string(path), made);
        return made;
    }

    // A path in its stored form, relative to the project's folder.
    void Path(XMLElement* parent, const char* name, const std::string& fullPath) {
        Text(parent, name, relativizer_.Relative(fullPath));
    }

  private:
    XMLDocument& doc_;
    PathRelativizer relativizer_;
};

// Written only when a publication recorded something, so that a project never published (or read
// from an older file) is saved byte for byte as before.
void WriteDigest(TreeWriter& w, XMLElement* parent, const PublishedDigest& digest) {
    if (digest.empty()) {
        return;
    }
    XMLElement* list = w.Container(parent, "publishedFrom");
    for (const auto& [part, value] : digest) {
        w.Text(list, part.c_str(), value);
    }
}

void WriteReferences(TreeWriter& w, XMLElement* fileDoc, const char* listName, const char* itemName,
                     const std::vector<XrefFile>& refs) {
    XMLElement* list = w.Container(fileDoc, listName);
    for (const auto& ref : refs) {
        w.Path(w.Container(list, itemName), "fileRelativePath", ref.fullPath);
    }
}

// ---- reading ----

const XMLElement* Child(const XMLElement* parent, const char* name) {
    return parent == nullptr ? nullptr : parent->FirstChildElement(name);
}

// Every part with a text is kept, also those this program does not compute itself.
void ReadDigest(const XMLElement* parent, PublishedDigest& digest) {
    const XMLElement* list = Child(parent, "publishedFrom");
    if (list == nullptr) {
        return;
    }
    for (const XMLElement* part = list->FirstChildElement(); part != nullptr;
         part = part->NextSiblingElement()) {
        std::string value = ElementText(part);
        if (!value.empty()) {
            digest.emplace(part->Name(), std::move(value));
        }
    }
}

void ReadReferences(const XMLElement* fileDoc, const char* listName, const char* itemName,
                    CDocvaneDoc& project, FileDoc& file, std::vector<XrefFile>& target) {
    const XMLElement* list = Child(fileDoc, listName);
    if (list == nullptr) {
        return;
    }
    for (const XMLElement* item = list->FirstChildElement(itemName); item != nullptr;
         item = item->NextSiblingElement(itemName)) {
        if (const XMLElement* path = Child(item, "fileRelativePath")) {
            target.emplace_back(ElementText(path), &project, &file);
        }
    }
}

void ReadFileDocs(const XMLElement* root, CDocvaneDoc& project) {
    const XMLElement* fileDocs = Child(root, "fileDocs");
    if (fileDocs == nullptr) {
        return;
    }
    for (const XMLElement* item = fileDocs->FirstChildElement("fileDoc"); item != nullptr;
         item = item->NextSiblingElement("fileDoc")) {
        const XMLElement* path = Child(item, "fileRelativePath");
        if (path == nullptr) {
            continue;
        }
        FileDoc& file = project.AppendFile(ElementText(path));
        ReadReferences(item, "xrefsBefore", "xrefBefore", project, file, file.xrefsBefore);
        ReadReferences(item, "xrefsAfter", "xrefAfter", project, file, file.xrefsAfter);
        if (const XMLElement* sheets = Child(item, "sheetNames")) {
            for (const XMLElement* s = sheets->FirstChildElement("sheetName"); s != nullptr;
                 s = s->NextSiblingElement("sheetName")) {
                file.sheetNames.push_back(ElementText(s));
            }
        }
        if (const XMLElement* refs = Child(item, "wordRefs")) {
            for (const XMLElement* r = refs->FirstChildElement("wordRef"); r != nullptr;
                 r = r->NextSiblingElement("wordRef")) {
                WordRef ref{0, 0, 0, 0, 0, 0};
                for (const WordRefField& field : kWordRefFields) {
                    if (const XMLElement* e = Child(r, field.name)) {
                        std::visit(
                            Overloaded{[&](int WordRef::*m) { ref.*m = LeadingInteger(ElementText(e)); },
                                       [&](float WordRef::*m) { ref.*m = LeadingFloat(ElementText(e)); }},
                            field.member);
                    }
                }
                if (ref.IsValid()) {
                    file.wordRefs.push_back(ref);
                }
            }
        }
        ReadDigest(item, file.publishedFrom);
    }
}

// The element at a path of names ("general/combinePdf") below parent; null when any is missing.
const XMLElement* Descend(const XMLElement* parent, std::string_view path) {
    while (parent != nullptr && !path.empty()) {
        const std::size_t slash = path.find('/');
        parent = Child(parent, std::string(path.substr(0, slash)).c_str());
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return parent;
}

void ReadSettings(const XMLElement* propertyDoc, PropertyDoc& p) {
    // A flag or number that does not read as one takes the option of the application settings in force.
    PropertyDoc fallback;
    static_cast<PublicationOptions&>(fallback) = AppSettings();
    for (const PropertyDocField& f : PropertyDocFields()) {
        const XMLElement* e = Child(Descend(propertyDoc, f.parent), f.name);
        if (e == nullptr) {
            continue;
        }
        const std::string text = ElementText(e);
        std::visit(
            [&](auto fieldOf) {
                auto& target = fieldOf(p);
                using T = std::remove_reference_t<decltype(target)>;
                if constexpr (std::is_same_v<T, bool>) {
                    bool value = false;
                    target = tinyxml2::XMLUtil::ToBool(text.c_str(), &value) ? value : fieldOf(fallback);
                } else if constexpr (std::is_same_v<T, int>) {
                    int value = 0;
                    target = tinyxml2::XMLUtil::ToInt(text.c_str(), &value) ? value : fieldOf(fallback);
                } else {
                    target = f.crLf ? ToCrLf(text) : text;
                }
            },
            f.field);
    }
}

// A file saved as UTF-16 (a text editor's "Unicode"): a byte-order mark, or markup with every other
// byte zero.
bool LooksLikeUtf16(const std::string& bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) || (b0 == '<' && b1 == 0) ||
           (b0 == 0 && b1 == '<');
}

// Whether only NULs and white space follow from position from on (the writer's own terminator).
bool OnlyBlankFrom(const std::string& bytes, std::size_t from) {
    return bytes.find_first_not_of(std::string_view("\0 \t\r\n", 5), from) == std::string::npos;
}

// The 1-based line of a byte position.
std::size_t LineAt(const std::string& bytes, std::size_t position) {
    return 1 + static_cast<std::size_t>(
                   std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(position), '\n'));
}

// What TinyXML-2 found wrong, in the user's words, with the line it names.
std::string ParseErrorText(const XMLDocument& xml) {
    std::string what;
    switch (xml.ErrorID()) {
        case tinyxml2::XML_ERROR_PARSING_ELEMENT:
            what = "неверно записан элемент";
            break;
        case tinyxml2::XML_ERROR_PARSING_ATTRIBUTE:
            what = "неверно записан атрибут";
            break;
        case tinyxml2::XML_ERROR_PARSING_TEXT:
            what = "неверно записан текст";
            break;
        case tinyxml2::XML_ERROR_PARSING_CDATA:
            what = "неверно записан раздел CDATA";
            break;
        case tinyxml2::XML_ERROR_PARSING_COMMENT:
            what = "неверно записан комментарий";
            break;
        case tinyxml2::XML_ERROR_PARSING_DECLARATION:
            what = "неверно записано объявление XML";
            break;
        case tinyxml2::XML_ERROR_PARSING_UNKNOWN:
            what = "непонятная конструкция разметки";
            break;
        case tinyxml2::XML_ERROR_EMPTY_DOCUMENT:
            what = "в файле нет ни одного элемента";
            break;
        case tinyxml2::XML_ERROR_MISMATCHED_ELEMENT:
            what = "закрывающий тег не соответствует открытому элементу";
            break;
        case tinyxml2::XML_ERROR_PARSING:
            what = "нарушена разметка";
            break;
        case tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED:
            what = "элементы вложены глубже " + std::to_string(TINYXML2_MAX_ELEMENT_DEPTH) + " уровней";
            break;
        default:
            what = std::string("ошибка разбора (") + xml.ErrorName() + ")";
            break;
    }
    const int line = xml.ErrorLineNum();
    return line > 0 ? "ошибка XML в строке " + std::to_string(line) + ": " + what : "ошибка XML: " + what;
}

}  // namespace

std::string WriteProjectXml(const CDocvaneDoc& project) {
    XMLDocument doc;
    TreeWriter w(doc, project.propertyDoc.projectDir);
    XMLElement* root = w.Container(nullptr, "docvane");
    XMLElement* pdfFile = w.Container(root, "pdfFile");
    w.Path(pdfFile, "fileRelativePath", project.pdfFile.fullPath);
    WriteDigest(w, pdfFile, project.pdfFilePublishedFrom);
    w.Path(w.Container(root, "editDir"), "dirRelativePath", project.editDir.fullPath);
    w.Path(w.Container(root, "pdfDir"), "dirRelativePath", project.pdfDir.fullPath);

    XMLElement* fileDocs = w.Container(root, "fileDocs");
    for (const auto& filePtr : project.fileDocs) {
        const FileDoc& file = *filePtr;
        XMLElement* fileDoc = w.Container(fileDocs, "fileDoc");
        w.Path(fileDoc, "fileRelativePath", file.fullPath);
        WriteReferences(w, fileDoc, "xrefsBefore", "xrefBefore", file.xrefsBefore);
        WriteReferences(w, fileDoc, "xrefsAfter", "xrefAfter", file.xrefsAfter);
        XMLElement* sheets = w.Container(fileDoc, "sheetNames");
        for (const auto& name : file.sheetNames) {
            w.Text(sheets, "sheetName", name);
        }
        XMLElement* refs = w.Container(fileDoc, "wordRefs");
        for (const auto& ref : file.wordRefs) {
            XMLElement* r = w.Container(refs, "wordRef");
            for (const WordRefField& field : kWordRefFields) {
                std::visit(Overloaded{[&](int WordRef::*m) { w.Int(r, field.name, ref.*m); },
                                      [&](float WordRef::*m) { w.Float(r, field.name, ref.*m); }},
                           field.member);
            }
        }
        WriteDigest(w, fileDoc, file.publishedFrom);
    }

    if (!project.fieldDocs.empty()) {
        XMLElement* fieldDocs = w.Container(root, "fieldDocs");
        for (const auto& field : project.fieldDocs) {
            XMLElement* f = w.Container(fieldDocs, "fieldDoc");
            w.Text(f, "name", field.name);
            w.Text(f, "value", field.value);
        }
    }

    PropertyDoc p = project.propertyDoc;
    XMLElement* propertyDoc = w.Container(root, "propertyDoc");
    std::map<std::string, XMLElement*, std::less<>> groups;
    for (const PropertyDocField& f : PropertyDocFields()) {
        XMLElement* group = w.Group(propertyDoc, f.parent, groups);
        std::visit(
            [&](auto fieldOf) {
                const auto& value = fieldOf(p);
                using T = std::remove_cvref_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>) {
                    if (value || !f.onlyWhenTrue) {
                        w.Bool(group, f.name, value);
                    }
                } else if constexpr (std::is_same_v<T, int>) {
                    w.Int(group, f.name, value);
                } else {
                    w.Text(group, f.name, value);
                }
            },
            f.field);
    }

    tinyxml2::XMLPrinter printer(nullptr, false);
    doc.Print(&printer);
    // The printed buffer goes out with its terminator.
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize()));
}

bool ReadProjectXml(CDocvaneDoc& project, const XMLDocument& xml) {
    const XMLElement* root = xml.FirstChildElement("docvane");
    if (root == nullptr) {
        return false;
    }
    if (const XMLElement* path = Child(Child(root, "pdfFile"), "fileRelativePath")) {
        project.pdfFile = PathDoc(ElementText(path), &project);
    }
    ReadDigest(Child(root, "pdfFile"), project.pdfFilePublishedFrom);
    if (const XMLElement* path = Child(Child(root, "editDir"), "dirRelativePath")) {
        project.editDir = DirDoc(ElementText(path), &project);
    }
    if (const XMLElement* path = Child(Child(root, "pdfDir"), "dirRelativePath")) {
        project.pdfDir = DirDoc(ElementText(path), &project);
    }
    ReadFileDocs(root, project);
    if (const XMLElement* fieldDocs = Child(root, "fieldDocs")) {
        for (const XMLElement* f = fieldDocs->FirstChildElement("fieldDoc"); f != nullptr;
             f = f->NextSiblingElement("fieldDoc")) {
            const XMLElement* name = Child(f, "name");
            const XMLElement* value = Child(f, "value");
            if (name != nullptr && value != nullptr) {
                project.AddField(ElementText(name), ElementText(value));
            }
        }
    }
    if (const XMLElement* propertyDoc = Child(root, "propertyDoc")) {
        ReadSettings(propertyDoc, project.propertyDoc);
    }
    return true;
}

bool LoadProjectFile(CDocvaneDoc& project, const std::string& path, std::string* error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error)) {
        return false;
    }
    const auto refuse = [error](const std::string& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };
    if (bytes.empty()) {
        return refuse("файл пуст");
    }
    if (LooksLikeUtf16(bytes)) {
        return refuse("файл записан в кодировке UTF-16, а файл проекта должен быть в UTF-8");
    }
    // The writer ends the file with a NUL; readers ignore it (and anything after it) as long as what
    // comes before it is a whole project.
    const std::string whole = bytes;
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos) {
        bytes.resize(nul);
    }
    XMLDocument xml(true, tinyxml2::PRESERVE_WHITESPACE);
    xml.Parse(bytes.data(), bytes.size());
    if (xml.Error()) {
        if (nul != std::string::npos && !OnlyBlankFrom(whole, nul)) {
            return refuse("нулевой байт в строке " + std::to_string(LineAt(whole, nul)) +
                          ": это не текстовый файл проекта");
        }
        return refuse(ParseErrorText(xml));
    }
    // Opening something that is not a project as an empty one would let the next save replace it.
    const XMLElement* root = xml.RootElement();
    if (root == nullptr) {
        return refuse("в файле нет корневого элемента");
    }
    project.propertyDoc.projectDir = ParentPath(path);
    project.SetPathName(path);
    if (!ReadProjectXml(project, xml) && !ImportLegacyProject(project, xml)) {
        return refuse("корневой элемент <" + std::string(root->Name()) +
                      "> не является элементом проекта <docvane>");
    }
    project.SetModifiedFlag(false);
    return true;
}

bool SaveProjectFile(CDocvaneDoc& project, const std::string& path, std::string* error) {
    const std::string previousDir = project.propertyDoc.projectDir;
    project.propertyDoc.projectDir = ParentPath(path);
    const std::string bytes = WriteProjectXml(project);
    if (!WriteFileThroughLinks(path, bytes, error)) {
        // The project stays modified and keeps resolving against the folder it was read from.
        project.propertyDoc.projectDir = previousDir;
        project.SetModifiedFlag(true);
        return false;
    }
    project.SetPathName(path);
    project.SetModifiedFlag(false);
    return true;
}

}  // namespace docvane
