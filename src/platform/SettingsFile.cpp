#include "platform/SettingsFile.h"

#include <tinyxml2.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/AtomicFile.h"

namespace docvane {

namespace {
constexpr const char* kRoot = "settings";

// A stored number as the 32-bit registry number it stands for; text that is no number reads as absent.
std::optional<std::int32_t> ParseNumber(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < INT32_MIN || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}
}  // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {
    Reload();
}

void SettingsFile::Reload() {
    sections_.clear();
    std::string bytes;
    if (!ReadWholeFile(path_, bytes)) {
        return;
    }
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        return;
    }
    const auto* root = doc.FirstChildElement(kRoot);
    if (root == nullptr) {
        return;
    }
    for (const auto* section = root->FirstChildElement("section"); section != nullptr;
         section = section->NextSiblingElement("section")) {
        const char* sectionName = section->Attribute("name");
        if (sectionName == nullptr) {
            continue;
        }
        for (const auto* value = section->FirstChildElement(); value != nullptr;
             value = value->NextSiblingElement()) {
            const char* valueName = value->Attribute("name");
            if (valueName == nullptr) {
                continue;
            }
            const std::string kind = value->Name();
            const char* text = value->GetText();
            if (kind == "text") {
                SetText(sectionName, valueName, text == nullptr ? "" : text);
            } else if (kind == "number") {
                if (auto number = ParseNumber(text)) {
                    SetNumber(sectionName, valueName, *number);
                }
            }
        }
    }
}

const SettingsFile::Value* SettingsFile::Find(const std::string& section, const std::string& name) const {
    for (const auto& s : sections_) {
        if (s.name != section) {
            continue;
        }
        for (const auto& v : s.values) {
            if (v.name == name) {
                return &v;
            }
        }
    }
    return nullptr;
}

SettingsFile::Value& SettingsFile::FindOrAdd(const std::string& section, const std::string& name) {
    Section* target = nullptr;
    for (auto& s : sections_) {
        if (s.name == section) {
            target = &s;
            break;
        }
    }
    if (target == nullptr) {
        sections_.push_back(Section{section, {}});
        target = &sections_.back();
    }
    for (auto& v : target->values) {
        if (v.name == name) {
            return v;
        }
    }
    target->values.push_back(Value{name, false, {}, 0});
    return target->values.back();
}

std::optional<std::string> SettingsFile::GetText(const std::string& section, const std::string& name) const {
    const Value* v = Find(section, name);
    if (v == nullptr || v->isNumber) {
        return std::nullopt;
    }
    return v->text;
}

std::optional<std::int32_t> SettingsFile::GetNumber(const std::string& section,
                                                    const std::string& name) const {
    const Value* v = Find(section, name);
    if (v == nullptr || !v->isNumber) {
        return std::nullopt;
    }
    return v->number;
}

void SettingsFile::SetText(const std::string& section, const std::string& name, const std::string& value) {
    Value& v = FindOrAdd(section, name);
    v.isNumber = false;
    v.text = value;
}

void SettingsFile::SetNumber(const std::string& section, const std::string& name, std::int32_t value) {
    Value& v = FindOrAdd(section, name);
    v.isNumber = true;
    v.number = value;
    v.text.clear();
}

bool SettingsFile::DeleteValue(const std::string& section, const std::string& name) {
    for (auto& s : sections_) {
        if (s.name != section) {
            continue;
        }
        for (auto it = s.values.begin(); it != s.values.end(); ++it) {
            if (it->name == name) {
                s.values.erase(it);
                return true;
            }
        }
    }
    return false;
}

std::vector<std::string> SettingsFile::ValueNames(const std::string& section) const {
    std::vector<std::string> names;
    for (const auto& s : sections_) {
        if (s.name == section) {
            for (const auto& v : s.values) {
                names.push_back(v.name);
            }
        }
    }
    return names;
}

bool SettingsFile::Save() {
    tinyxml2::XMLDocument doc;
    auto* root = doc.NewElement(kRoot);
    doc.InsertEndChild(root);
    for (const auto& s : sections_) {
        auto* section = doc.NewElement("section");
        section->SetAttribute("name", s.name.c_str());
        root->InsertEndChild(section);
        for (const auto& v : s.values) {
            auto* value = doc.NewElement(v.isNumber ? "number" : "text");
            value->SetAttribute("name", v.name.c_str());
            if (v.isNumber) {
                value->SetText(v.number);
            } else {
                value->SetText(v.text.c_str());
            }
            section->InsertEndChild(value);
        }
    }
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    std::error_code ec;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    }
    return WriteFileAtomically(
        path_, std::string_view(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1)));
}

std::string UserSettingsDirectory() {
    if (const char* override = std::getenv("DOCVANE_CONFIG_HOME"); override != nullptr && *override != '\0') {
        return override;
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::string(home) + "/.config";
    } else {
        base = "/tmp";
    }
    return base + "/Ostrel/Docvane";
}

std::string UserSettingsFilePath() {
    return UserSettingsDirectory() + "/settings.xml";
}

}  // namespace docvane
