#pragma once
// The steps applied to one open drawing: custom properties, sheet list, PDF export, editable copy,
// closing. Each works on the document of the session.
#include <string>
#include <vector>

#include "project/FieldDoc.h"
#include "project/FileDoc.h"

namespace docvane {

class AcadSession;

class CDocvaneDoc;
class ProtectedPaths;

// A field the program refuses is a warning line naming it and the program's reason.
void WriteCustomProperties(AcadSession& session, const std::vector<FieldDoc>& fields);
// Runs the project's LISP script. Its file access is confined to the project's folder, the output
// folders and the temporary folder unless the user's settings trust project folders; what the script
// got wrong (its errors, refused files, the step limit) is a warning line each.
void RunUserScript(AcadSession& session, const CDocvaneDoc& project);
// The folders a project's script may use, one per line, as the program's ScriptFolders takes them.
std::string ScriptFolders(const CDocvaneDoc& project, bool trusted);
// Replaces sheetNames with the names of the paper-space layouts in tab order.
void ReadSheetNames(AcadSession& session, std::vector<std::string>& sheetNames);
// Exports the whole drawing, or every sheet on its own while splitIntoLayouts is set, into the
// temporary folder and places the PDFs in the PDF folder. False after an error line. guard: the run's
// protected set for placing (null: one built now), likewise below.
bool ExportSheetsToPdf(AcadSession& session, const FileDoc& file, const ProtectedPaths* guard = nullptr);
// Saves the editable copy (per sheet while splitIntoLayouts is set) in the project's file format into
// the temporary folder and places it in the editable folder. False after an error line.
bool SaveEditableCopy(AcadSession& session, const FileDoc& file, const ProtectedPaths* guard = nullptr);
// Closes the drawing without saving.
void CloseDrawing(AcadSession& session);

// A path as the drawing program's command line wants it: slashes only.
std::string CommandPath(const std::string& path);

}  // namespace docvane
