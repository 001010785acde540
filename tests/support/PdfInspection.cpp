#include "support/PdfInspection.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include "support/ExternalTool.h"

namespace docvane::test {

namespace {

std::string Unescape(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
            text.replace(at, std::char_traits<char>::length(from), to);
        }
    }
    return text;
}

OutlineNode ReadNode(const nlohmann::json& item) {
    OutlineNode node;
    node.title = item.value("title", "");
    if (item.contains("destpageposfrom1") && item["destpageposfrom1"].is_number()) {
        node.page = item["destpageposfrom1"].get<int>();
    }
    if (item.contains("kids")) {
        for (const auto& kid : item["kids"]) {
            node.kids.push_back(ReadNode(kid));
        }
    }
    return node;
}

nlohmann::json QpdfObjects(const std::string& path, nlohmann::json& pages) {
    const ToolResult result = RunTool({"qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf", path});
    const auto json = nlohmann::json::parse(result.output, nullptr, false);
    if (json.is_discarded()) {
        return {};
    }
    pages = json["pages"];
    return json["qpdf"][1];
}

const nlohmann::json* Value(const nlohmann::json& objects, const nlohmann::json& reference) {
    if (!reference.is_string()) {
        return nullptr;
    }
    const std::string key = "obj:" + reference.get<std::string>();
    if (!objects.contains(key)) {
        return nullptr;
    }
    return &objects[key]["value"];
}

std::string Text(const nlohmann::json& dictionary, const char* key) {
    return dictionary.contains(key) && dictionary[key].is_string() ? dictionary[key].get<std::string>() : "";
}

}  // namespace

std::vector<LinkAnnotation> QpdfLinks(const std::string& path) {
    nlohmann::json pages;
    const nlohmann::json objects = QpdfObjects(path, pages);
    std::vector<LinkAnnotation> links;
    std::map<std::string, int> pageNumbers;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pageNumbers[pages[i]["object"].get<std::string>()] = static_cast<int>(i) + 1;
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const nlohmann::json* page = Value(objects, pages[i]["object"]);
        if (page == nullptr || !page->contains("/Annots")) {
            continue;
        }
        nlohmann::json annots = (*page)["/Annots"];
        if (annots.is_string()) {
            const nlohmann::json* resolved = Value(objects, annots);
            annots = resolved == nullptr ? nlohmann::json() : *resolved;
        }
        if (!annots.is_array()) {
            continue;
        }
        for (const auto& reference : annots) {
            const nlohmann::json* annotation = Value(objects, reference);
            if (annotation == nullptr || Text(*annotation, "/Subtype") != "/Link") {
                continue;
            }
            LinkAnnotation link;
            link.page = static_cast<int>(i) + 1;
            for (std::size_t k = 0; k < 4; ++k) {
                link.rect[k] = (*annotation)["/Rect"][k].get<double>();
            }
            if (annotation->contains("/Dest") && (*annotation)["/Dest"].is_array()) {
                const auto& destination = (*annotation)["/Dest"];
                const std::string target =
                    destination[0].is_string() ? destination[0].get<std::string>() : "";
                link.targetPage = pageNumbers.count(target) != 0 ? pageNumbers[target] : 0;
                link.fit = destination.size() > 1 && destination[1].is_string()
                               ? destination[1].get<std::string>()
                               : "";
            }
            if (annotation->contains("/Border")) {
                link.border = (*annotation)["/Border"].dump();
            }
            links.push_back(link);
        }
    }
    return links;
}

std::string QpdfOutlineProblems(const std::string& path) {
    nlohmann::json pages;
    const nlohmann::json objects = QpdfObjects(path, pages);
    if (!objects.contains("trailer")) {
        return "unreadable";
    }
    const nlohmann::json* catalog = Value(objects, objects["trailer"]["value"]["/Root"]);
    if (catalog == nullptr || !catalog->contains("/Outlines")) {
        return "no outline";
    }
    std::string problems;
    // Checks the children of parent and returns how many there are.
    std::function<int(const std::string&, const nlohmann::json&, int)> level =
        [&](const std::string& parentRef, const nlohmann::json& parent, int depth) -> int {
        if (depth > 100) {
            problems += "too deep; ";
            return 0;
        }
        int count = 0;
        std::string previous;
        std::string current = Text(parent, "/First");
        std::set<std::string> seen;
        while (!current.empty()) {
            if (!seen.insert(current).second) {
                problems += "cycle at " + current + "; ";
                break;
            }
            const nlohmann::json* item = Value(objects, current);
            if (item == nullptr) {
                problems += "missing " + current + "; ";
                break;
            }
            ++count;
            if (Text(*item, "/Parent") != parentRef) {
                problems += current + " has wrong parent; ";
            }
            if (Text(*item, "/Prev") != previous) {
                problems += current + " has wrong prev; ";
            }
            const int kids = level(current, *item, depth + 1);
            const bool hasCount = item->contains("/Count");
            if (kids > 0 && (!hasCount || (*item)["/Count"].get<int>() != -kids)) {
                problems += current + " has wrong count; ";
            }
            if (kids == 0 && hasCount && (*item)["/Count"].get<int>() != 0) {
                problems += current + " counts missing children; ";
            }
            previous = current;
            current = Text(*item, "/Next");
        }
        if (count > 0 && Text(parent, "/Last") != previous) {
            problems += parentRef + " has wrong last; ";
        }
        return count;
    };
    const std::string rootRef = Text(*catalog, "/Outlines");
    const nlohmann::json* root = Value(objects, (*catalog)["/Outlines"]);
    if (root == nullptr) {
        return "outline root missing";
    }
    const int top = level(rootRef, *root, 0);
    if (!root->contains("/Count") || (*root)["/Count"].get<int>() != top) {
        problems += "root count wrong; ";
    }
    return problems;
}

bool QpdfCheckClean(const std::string& path) {
    return RunTool({"qpdf", "--check", path}).exitCode == 0;
}

int QpdfPageCount(const std::string& path) {
    const ToolResult result = RunTool({"qpdf", "--show-npages", path});
    return result.exitCode == 0 ? std::atoi(result.output.c_str()) : -1;
}

std::vector<OutlineNode> QpdfOutline(const std::string& path) {
    const ToolResult result = RunTool({"qpdf", "--json=2", "--json-key=outlines", path});
    std::vector<OutlineNode> nodes;
    const auto json = nlohmann::json::parse(result.output, nullptr, false);
    if (json.is_discarded() || !json.contains("outlines")) {
        return nodes;
    }
    for (const auto& item : json["outlines"]) {
        nodes.push_back(ReadNode(item));
    }
    return nodes;
}

std::vector<std::string> PageTexts(const std::string& path) {
    const ToolResult result = RunTool({"pdftotext", "-layout", path, "-"});
    std::vector<std::string> pages;
    std::string current;
    for (const char c : result.output) {
        if (c == '\f') {
            pages.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return pages;
}

std::vector<PageWords> WordBoxes(const std::string& path) {
    const ToolResult result = RunTool({"pdftotext", "-bbox", path, "-"});
    std::vector<PageWords> pages;
    static const std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)")re");
    static const std::regex word(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
    std::size_t lineStart = 0;
    const std::string& text = result.output;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = text.size();
        }
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        std::smatch match;
        if (std::regex_search(line, match, page)) {
            pages.push_back(PageWords{std::stod(match[1]), std::stod(match[2]), {}});
        } else if (std::regex_search(line, match, word) && !pages.empty()) {
            pages.back().words.push_back(WordBox{Unescape(match[5]), std::stod(match[1]), std::stod(match[2]),
                                                 std::stod(match[3]), std::stod(match[4])});
        }
        lineStart = lineEnd + 1;
    }
    return pages;
}

const WordBox* FindWord(const PageWords& page, const std::string& text) {
    for (const WordBox& word : page.words) {
        if (word.text == text) {
            return &word;
        }
    }
    return nullptr;
}

std::string FontTable(const std::string& path) {
    return RunTool({"pdffonts", path}).output;
}

std::string QpdfObject(const std::string& path, int objectNumber) {
    return RunTool({"qpdf", "--show-object=" + std::to_string(objectNumber), path}).output;
}

}  // namespace docvane::test
