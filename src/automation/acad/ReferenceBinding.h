#pragma once
// External references of the open drawing: purge, record, bind, and re-point the ones left unbound
// to the reference folder beside the editable copy.
#include <string>
#include <vector>

#include "project/FileDoc.h"

namespace docvane {

class AcadSession;

// Replaces file.xrefsBefore and, when an editable folder is set, file.xrefsAfter.
void BindReferences(AcadSession& session, FileDoc& file);
// Replaces list with the existing files of the reference blocks whose handles are given.
void RecordReferences(AcadSession& session, const std::vector<std::string>& handles,
                      std::vector<XrefFile>& list, FileDoc& file);

}  // namespace docvane
