#include "views/ProjectPanel.h"

#include <wx/sizer.h>

#include "project/DocvaneDoc.h"

namespace docvane {

CProjectPanel::CProjectPanel(wxWindow* parent, std::shared_ptr<CDocvaneDoc> project,
                             const FileListFactory& makeFileList)
    : wxPanel(parent, wxID_ANY), project_(std::move(project)) {
    SetSizer(new wxBoxSizer(wxVERTICAL));
    SetFileList(makeFileList(this, *project_));
}

void CProjectPanel::SetFileList(std::unique_ptr<ProjectFileList> list) {
    if (fileList_) {
        GetSizer()->Detach(fileList_->Window());
        fileList_->Window()->Destroy();
    }
    fileList_ = std::move(list);
    GetSizer()->Add(fileList_->Window(), 1, wxEXPAND);
    Layout();
}

}  // namespace docvane
