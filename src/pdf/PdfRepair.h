#pragma once
// Recovery of damaged PDF files in memory with qpdf, whose reconstruction of cross-reference tables,
// stream ends and page trees is the reference for what can be saved of a damaged file.
#include <string>

namespace docvane {

// Rewrites bytes as qpdf reads them: cross-reference rebuilt, junk before the header skipped, each
// stream cut where its data really ends, every page an indirect object with its inherited attributes,
// page boxes numeric, no encryption and no object streams. False when qpdf cannot read the file at
// all; reason then holds qpdf's message.
bool RepairPdf(const std::string& bytes, std::string& repaired, std::string* reason = nullptr);

}  // namespace docvane
