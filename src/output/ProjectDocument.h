#pragma once
// Opening and saving a project as the application does it: the file, then statuses and views.
#include <string>

namespace docvane {

class CDocvaneDoc;

// Loads the project file (current or legacy format) into a freshly constructed project, computes
// every status and asks the views to refresh. False when the file cannot be read.
bool OpenProjectDocument(CDocvaneDoc& project, const std::string& path, std::string* error = nullptr);

// Saves the project (atomically) under path, relative paths formed against path's folder; asks the
// views and, whatever the outcome, the ribbon to refresh.
bool SaveProjectDocument(CDocvaneDoc& project, const std::string& path, std::string* error = nullptr);

}  // namespace docvane
