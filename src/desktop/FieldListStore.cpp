#include "desktop/FieldListStore.h"

#include <tinyxml2.h>

#include <algorithm>

#include "app/SettingsStore.h"

namespace docvane {
namespace {

constexpr std::size_t kMaxListName = 255;

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::string FieldListText(const std::vector<FieldDoc>& fields) {
    std::string text;
    // Each element printed on its own: the printer would put an empty line between top-level elements.
    for (const FieldDoc& field : fields) {
        tinyxml2::XMLDocument doc;
        auto* f = doc.NewElement("f");
        doc.InsertEndChild(f);
        f->InsertNewChildElement("n")->SetText(field.name.c_str());
        f->InsertNewChildElement("v")->SetText(field.value.c_str());
        tinyxml2::XMLPrinter printer;
        doc.Print(&printer);
        text.append(printer.CStr(),
                    static_cast<std::size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
    }
    ReplaceAll(text, ">\n    <", "><");
    return text;
}

std::optional<std::vector<FieldDoc>> ParseFieldListText(const std::string& text) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return std::nullopt;
    }
    std::vector<FieldDoc> fields;
    for (const auto* f = doc.FirstChildElement("f"); f != nullptr; f = f->NextSiblingElement("f")) {
        const auto* n = f->FirstChildElement("n");
        if (n == nullptr) {
            continue;
        }
        const auto* v = f->FirstChildElement("v");
        const char* name = n->GetText();
        const char* value = v == nullptr ? nullptr : v->GetText();
        fields.push_back(MakeField(name == nullptr ? "" : name, value == nullptr ? "" : value));
    }
    return fields;
}

std::vector<std::string> StoredFieldListNames(const SettingsStore& store) {
    std::vector<std::string> names = store.ValueNames(kFieldListSection);
    std::sort(names.begin(), names.end());
    return names;
}

bool StoreFieldList(SettingsStore& store, const std::string& name, const std::vector<FieldDoc>& fields) {
    const std::string key = CutToCharacters(name, kMaxListName);
    if (key.empty()) {
        return false;
    }
    store.SetText(kFieldListSection, key, FieldListText(fields));
    return store.Save();
}

std::optional<std::vector<FieldDoc>> LoadFieldList(const SettingsStore& store, const std::string& name) {
    const auto text = store.GetText(kFieldListSection, name);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return ParseFieldListText(*text);
}

bool DeleteFieldList(SettingsStore& store, const std::string& name) {
    if (name.empty() || !store.DeleteValue(kFieldListSection, name)) {
        return false;
    }
    return store.Save();
}

}  // namespace docvane
