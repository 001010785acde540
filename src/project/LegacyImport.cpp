#include "project/LegacyImport.h"

#include <tinyxml2.h>

#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"
#include "project/XmlText.h"

namespace docvane {

using tinyxml2::XMLElement;

namespace {

const XMLElement* Child(const XMLElement* parent, const char* name) {
    return parent == nullptr ? nullptr : parent->FirstChildElement(name);
}

// "false" exactly is false; any other text, an empty one included, is true.
void ReadFlag(const XMLElement* parent, const char* name, bool& target) {
    if (const XMLElement* e = Child(parent, name)) {
        target = ElementText(e) != "false";
    }
}

void ReadInteger(const XMLElement* parent, const char* name, int& target) {
    if (const XMLElement* e = Child(parent, name)) {
        target = LeadingInteger(ElementText(e));
    }
}

void ReadContentsLinks(const XMLElement* property, CDocvaneDoc& project) {
    const XMLElement* links = Child(property, "ref_coord_of_content");
    if (links == nullptr) {
        return;
    }
    for (const XMLElement* array = links->FirstChildElement("ArrayOfAnyType"); array != nullptr;
         array = array->NextSiblingElement("ArrayOfAnyType")) {
        int numbers[7] = {0, 0, 0, 0, 0, 0, 0};
        std::string fileName;
        int index = 0;
        for (const XMLElement* value = array->FirstChildElement("anyType"); value != nullptr && index < 7;
             value = value->NextSiblingElement("anyType"), ++index) {
            if (index == 4) {
                fileName = ElementText(value);
            } else {
                numbers[index] = LeadingInteger(ElementText(value));
            }
        }
        const int left = numbers[0];
        const int top = numbers[1];
        // Differences in 64 bits: hostile numbers must not overflow.
        const long long width = static_cast<long long>(numbers[2]) - left;
        const long long height = static_cast<long long>(top) - numbers[3];
        const int pageFrom = numbers[5];
        const int pageTo = numbers[6];
        if (left <= 0 || top <= 0 || width <= 0 || height <= 0 || fileName.empty() || pageFrom <= 0 ||
            pageTo <= 0) {
            continue;
        }
        for (auto& file : project.fileDocs) {
            if (FileStem(file->fullPath) + ".pdf" == fileName) {
                WordRef ref;
                ref.point1X = static_cast<float>(left);
                ref.point1Y = static_cast<float>(top);
                ref.point2X = static_cast<float>(width);
                ref.point2Y = static_cast<float>(height);
                ref.pageFrom = pageFrom;
                ref.pageTo = pageTo;
                file->wordRefs.push_back(ref);
                break;
            }
        }
    }
}

void ReadReferenceList(const XMLElement* list, CDocvaneDoc& project, bool before) {
    if (list == nullptr) {
        return;
    }
    for (const XMLElement* xref = list->FirstChildElement("XRef"); xref != nullptr;
         xref = xref->NextSiblingElement("XRef")) {
        const XMLElement* docPath = Child(xref, "doc_relativepath");
        const XMLElement* refPath = Child(xref, "xref_relativepath");
        if (docPath == nullptr || refPath == nullptr) {
            continue;
        }
        const std::string docText = ElementText(docPath);
        for (auto& file : project.fileDocs) {
            if (RelativePath(*file) != docText) {
                continue;
            }
            std::string refText = ElementText(refPath);
            // The reference is relative to the drawing's folder, not to the project's.
            const std::string resolved = ResolvePathText(ParentPath(file->fullPath), refText);
            XrefFile ref;
            ref.owner = &project;
            ref.ownerFile = file.get();
            ref.fullPath = resolved;
            (before ? file->xrefsBefore : file->xrefsAfter).push_back(ref);
            break;
        }
    }
}

}  // namespace

bool ImportLegacyProject(CDocvaneDoc& project, const tinyxml2::XMLDocument& xml) {
    const XMLElement* root = xml.FirstChildElement("DocElements");
    if (root == nullptr) {
        return false;
    }
    if (const XMLElement* items = Child(root, "Items")) {
        for (const XMLElement* item = items->FirstChildElement("DocElement"); item != nullptr;
             item = item->NextSiblingElement("DocElement")) {
            if (const XMLElement* path = Child(item, "file_relativepath")) {
                project.AppendFile(ElementText(path));
            }
        }
    }
    const XMLElement* property = Child(root, "Property");
    if (property == nullptr) {
        return true;
    }
    ReadContentsLinks(property, project);
    if (const XMLElement* acad = Child(property, "acad_property")) {
        ReadReferenceList(Child(acad, "before_xrefs"), project, true);
        ReadReferenceList(Child(acad, "after_xrefs"), project, false);
        if (const XMLElement* dir = Child(acad, "xrefs_dir")) {
            project.propertyDoc.autocad.xrefDir = ElementText(dir);
        }
    }
    if (const XMLElement* fields = Child(property, "list_fields")) {
        for (const XMLElement* f = fields->FirstChildElement("String2"); f != nullptr;
             f = f->NextSiblingElement("String2")) {
            const XMLElement* name = Child(f, "Name");
            const XMLElement* value = Child(f, "Value");
            if (name != nullptr && value != nullptr) {
                project.AddField(ElementText(name), ElementText(value));
            }
        }
    }
    if (const XMLElement* e = Child(property, "exit_pdf_file_relativepath")) {
        SetPath(project.pdfFile, ElementText(e));
    }
    if (const XMLElement* e = Child(property, "exit_pdf_dir_relativepath")) {
        SetPath(project.pdfDir, ElementText(e));
    }
    if (const XMLElement* e = Child(property, "exit_edit_dir_relativepath")) {
        SetPath(project.editDir, ElementText(e));
    }
    PropertyDoc& p = project.propertyDoc;
    ReadFlag(property, "is_combine", p.isCombine);
    if (const XMLElement* numbering = Child(property, "numbering")) {
        ReadFlag(numbering, "is_menu", p.hasMenu);
        ReadFlag(numbering, "is_numbering", p.isNumbering);
        ReadFlag(numbering, "clear_exit_dir", p.clearExitDir);
        ReadInteger(numbering, "numbering_page_1", p.startPage);
        ReadInteger(numbering, "numbering_page_from", p.pageFrom);
        ReadInteger(numbering, "numbering_pos_X", p.posX);
        ReadInteger(numbering, "numbering_pos_Y", p.posY);
        if (const XMLElement* e = Child(numbering, "font_name")) {
            p.fontName = ElementText(e);
        }
        ReadInteger(numbering, "font_size", p.fontHeight);
    }
    if (const XMLElement* e = Child(property, "dwg_script")) {
        p.lispScript = ElementText(e);
    }
    if (const XMLElement* e = Child(property, "word_script")) {
        p.vbaScript = ElementText(e);
    }
    return true;
}

}  // namespace docvane
