#include "support/PdfInspection.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <regex>

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

}  // namespace

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
