#include "desktop/FieldClipboard.h"

#include <cstdio>
#include <string_view>

namespace docvane {
namespace {

constexpr std::string_view kHeader =
    "Version:1.0\r\nStartHTML:[StartHTM]\r\nEndHTML:[EndHTML_]\r\nStartFragment:[StartFrg]\r\n"
    "EndFragment:[EndFragm]\r\n";
constexpr std::string_view kHtmlStart =
    "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
    "xmlns:w=\"urn:schemas-microsoft-com:office:word\" "
    "xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\" "
    "xmlns=\"http://www.w3.org/TR/REC-html40\">";
constexpr std::string_view kHead =
    "<head><meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
    "<meta name=ProgId content=Word.Document></head><body lang=RU>";
constexpr std::string_view kFragmentStart = "<!--StartFragment-->";
constexpr std::string_view kFragmentEnd = "<!--EndFragment-->";

void ReplaceOnce(std::string& text, std::string_view placeholder, std::size_t position) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.10zu", position);
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos) {
        text.replace(at, placeholder.size(), digits);
    }
}

}  // namespace

std::string AcadFieldCode(const FieldDoc& field) {
    return "%<\\AcVar CustomDP." + field.name + ">%";
}

std::u16string AcadFieldClipboardData(const FieldDoc& field) {
    const std::string utf8 = AcadFieldCode(field);
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t code = lead;
        std::size_t extra = 0;
        if (lead >= 0xF0) {
            code = lead & 0x07;
            extra = 3;
        } else if (lead >= 0xE0) {
            code = lead & 0x0F;
            extra = 2;
        } else if (lead >= 0xC0) {
            code = lead & 0x1F;
            extra = 1;
        }
        ++i;
        for (; extra > 0 && i < utf8.size(); --extra, ++i) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    out += u'\0';
    return out;
}

std::string WordFieldHtml(const FieldDoc& field) {
    std::string text(kHeader);
    text += kHtmlStart;
    text += kHead;
    text += kFragmentStart;
    text += "<!--[if supportFields]><span><span style='mso-element:field-begin'></span><span>DOCPROPERTY \"";
    text += field.name;
    text += "\"<span style='mso-element:field-separator'></span></span></span><![endif]--><span>";
    text += field.value;
    text += "</span><!--[if supportFields]><span style='mso-element:field-end'></span><![endif]-->";
    text += kFragmentEnd;
    text += "</body></html>";

    // Placeholders and their ten-digit replacements have the same length: positions stay put.
    const std::size_t htmlStart = text.find("<html ");
    const std::size_t fragmentStart = text.find(kFragmentStart) + kFragmentStart.size();
    const std::size_t fragmentEnd = text.rfind(kFragmentEnd);
    const std::size_t total = text.size();
    ReplaceOnce(text, "[StartHTM]", htmlStart);
    ReplaceOnce(text, "[EndHTML_]", total);
    ReplaceOnce(text, "[StartFrg]", fragmentStart);
    ReplaceOnce(text, "[EndFragm]", fragmentEnd);
    return text;
}

}  // namespace docvane
