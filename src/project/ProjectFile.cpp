#include "project/ProjectFile.h"

#include <tinyxml2.h>

#include <charconv>
#include <cstdio>

#include "app/ApplicationSettings.h"
#include "platform/AtomicFile.h"
#include "project/DocvaneDoc.h"
#include "project/FieldDoc.h"
#include "project/LegacyImport.h"
#include "project/XmlText.h"
#include "publish/paths/PathUtils.h"

namespace docvane {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

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

    // A path in its stored form, relative to the project's folder.
    void Path(XMLElement* parent, const char* name, const std::string& fullPath) {
        Text(parent, name, relativizer_.Relative(fullPath));
    }

  private:
    XMLDocument& doc_;
    PathRelativizer relativizer_;
};

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

void ReadBool(const XMLElement* parent, const char* name, bool& target, bool fallback) {
    if (const XMLElement* e = Child(parent, name)) {
        bool value = false;
        target = tinyxml2::XMLUtil::ToBool(ElementText(e).c_str(), &value) ? value : fallback;
    }
}

void ReadInt(const XMLElement* parent, const char* name, int& target, int fallback) {
    if (const XMLElement* e = Child(parent, name)) {
        int value = 0;
        target = tinyxml2::XMLUtil::ToInt(ElementText(e).c_str(), &value) ? value : fallback;
    }
}

void ReadString(const XMLElement* parent, const char* name, std::string& target) {
    if (const XMLElement* e = Child(parent, name)) {
        target = ElementText(e);
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
                if (const XMLElement* e = Child(r, "pageFrom"))
                    ref.pageFrom = LeadingInteger(ElementText(e));
                if (const XMLElement* e = Child(r, "pageTo"))
                    ref.pageTo = LeadingInteger(ElementText(e));
                if (const XMLElement* e = Child(r, "point1X"))
                    ref.point1X = LeadingFloat(ElementText(e));
                if (const XMLElement* e = Child(r, "point2X"))
                    ref.point2X = LeadingFloat(ElementText(e));
                if (const XMLElement* e = Child(r, "point1Y"))
                    ref.point1Y = LeadingFloat(ElementText(e));
                if (const XMLElement* e = Child(r, "point2Y"))
                    ref.point2Y = LeadingFloat(ElementText(e));
                if (ref.IsValid()) {
                    file.wordRefs.push_back(ref);
                }
            }
        }
    }
}

void ReadSettings(const XMLElement* propertyDoc, PropertyDoc& p) {
    const ApplicationSettings& d = AppSettings();
    if (const XMLElement* general = Child(propertyDoc, "general")) {
        if (const XMLElement* dirs = Child(general, "directories")) {
            ReadBool(dirs, "clearExitDir", p.clearExitDir, d.clearExitDir);
        }
        if (const XMLElement* combine = Child(general, "combinePdf")) {
            ReadBool(combine, "isCombine", p.isCombine, d.isCombine);
            ReadBool(combine, "hasMenu", p.hasMenu, d.hasMenu);
        }
        if (const XMLElement* numbering = Child(general, "numberingPdf")) {
            ReadBool(numbering, "isNumbering", p.isNumbering, d.isNumbering);
            ReadInt(numbering, "startPage", p.startPage, d.startPage);
            ReadInt(numbering, "pageFrom", p.pageFrom, d.pageFrom);
            ReadInt(numbering, "posX", p.posX, d.posX);
            ReadInt(numbering, "posY", p.posY, d.posY);
            ReadInt(numbering, "fontHeight", p.fontHeight, d.fontHeight);
            ReadString(numbering, "fontName", p.fontName);
        }
    }
    if (const XMLElement* autocad = Child(propertyDoc, "autocad")) {
        if (const XMLElement* path = Child(autocad, "path")) {
            ReadBool(path, "insertXrefs", p.autocad.insertXrefs, d.insertXrefs);
            ReadBool(path, "copyXrefs", p.autocad.copyXrefs, d.copyXrefs);
            ReadString(path, "xrefDir", p.autocad.xrefDir);
        }
        if (const XMLElement* general = Child(autocad, "general")) {
            ReadString(general, "fileFormat", p.autocad.fileFormat);
            ReadBool(general, "clearComments", p.autocad.clearComments, d.clearComments);
            ReadBool(general, "splitIntoLayouts", p.autocad.splitIntoLayouts, d.splitIntoLayouts);
            if (Child(general, "lispScript") != nullptr) {
                ReadString(general, "lispScript", p.autocad.lispScript);
                p.autocad.lispScript = ToCrLf(p.autocad.lispScript);
            }
        }
    }
    if (const XMLElement* general = Child(Child(propertyDoc, "word"), "general")) {
        if (Child(general, "vbaScript") != nullptr) {
            ReadString(general, "vbaScript", p.vbaScript);
            p.vbaScript = ToCrLf(p.vbaScript);
        }
    }
}

}  // namespace

std::string WriteProjectXml(const CDocvaneDoc& project) {
    XMLDocument doc;
    TreeWriter w(doc, project.propertyDoc.projectDir);
    XMLElement* root = w.Container(nullptr, "docvane");
    w.Path(w.Container(root, "pdfFile"), "fileRelativePath", project.pdfFile.fullPath);
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
            w.Int(r, "pageFrom", ref.pageFrom);
            w.Int(r, "pageTo", ref.pageTo);
            w.Float(r, "point1X", ref.point1X);
            w.Float(r, "point2X", ref.point2X);
            w.Float(r, "point1Y", ref.point1Y);
            w.Float(r, "point2Y", ref.point2Y);
        }
    }

    if (!project.fieldDocs.empty()) {
        XMLElement* fieldDocs = w.Container(root, "fieldDocs");
        for (const auto& field : project.fieldDocs) {
            XMLElement* f = w.Container(fieldDocs, "fieldDoc");
            w.Text(f, "name", field.name);
            w.Text(f, "value", field.value);
        }
    }

    const PropertyDoc& p = project.propertyDoc;
    XMLElement* propertyDoc = w.Container(root, "propertyDoc");
    XMLElement* general = w.Container(propertyDoc, "general");
    w.Bool(w.Container(general, "directories"), "clearExitDir", p.clearExitDir);
    XMLElement* combine = w.Container(general, "combinePdf");
    w.Bool(combine, "isCombine", p.isCombine);
    w.Bool(combine, "hasMenu", p.hasMenu);
    XMLElement* numbering = w.Container(general, "numberingPdf");
    w.Bool(numbering, "isNumbering", p.isNumbering);
    w.Int(numbering, "startPage", p.startPage);
    w.Int(numbering, "pageFrom", p.pageFrom);
    w.Int(numbering, "posX", p.posX);
    w.Int(numbering, "posY", p.posY);
    w.Int(numbering, "fontHeight", p.fontHeight);
    w.Text(numbering, "fontName", p.fontName);
    XMLElement* autocad = w.Container(propertyDoc, "autocad");
    XMLElement* path = w.Container(autocad, "path");
    w.Bool(path, "insertXrefs", p.autocad.insertXrefs);
    w.Bool(path, "copyXrefs", p.autocad.copyXrefs);
    w.Text(path, "xrefDir", p.autocad.xrefDir);
    XMLElement* acadGeneral = w.Container(autocad, "general");
    w.Text(acadGeneral, "fileFormat", p.autocad.fileFormat);
    w.Bool(acadGeneral, "clearComments", p.autocad.clearComments);
    w.Bool(acadGeneral, "splitIntoLayouts", p.autocad.splitIntoLayouts);
    w.Text(acadGeneral, "lispScript", p.autocad.lispScript);
    w.Text(w.Container(w.Container(propertyDoc, "word"), "general"), "vbaScript", p.vbaScript);

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
    project.propertyDoc.projectDir = ParentPath(path);
    project.SetPathName(path);
    // The writer ends the file with a NUL; readers ignore it (and anything after it).
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos) {
        bytes.resize(nul);
    }
    XMLDocument xml(true, tinyxml2::PRESERVE_WHITESPACE);
    xml.Parse(bytes.data(), bytes.size());
    if (xml.Error()) {
        return true;  // not XML: an empty project, silently
    }
    if (!ReadProjectXml(project, xml)) {
        ImportLegacyProject(project, xml);
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
