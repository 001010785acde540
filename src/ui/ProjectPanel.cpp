#include "ui/ProjectPanel.h"

#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "project/DocvaneDoc.h"
#include "publish/paths/PathUtils.h"
#include "ui/ColorRef.h"
#include "ui/WxText.h"

namespace docvane {

CPlainFileList::CPlainFileList(wxWindow* parent, CDocvaneDoc& project)
    : project_(project),
      list_(
          new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL)) {
    list_->AppendColumn(Wx("Файл"), wxLIST_FORMAT_LEFT, 320);
    list_->AppendColumn(Wx("Статус"), wxLIST_FORMAT_LEFT, 520);
    auto selected = [this](wxListEvent&) {
        if (onSelect_) {
            onSelect_(SelectedIndex());
        }
    };
    list_->Bind(wxEVT_LIST_ITEM_SELECTED, selected);
    list_->Bind(wxEVT_LIST_ITEM_DESELECTED, selected);
    RefreshAll();
}

wxWindow* CPlainFileList::Window() {
    return list_;
}

void CPlainFileList::RefreshAll() {
    const long selected = SelectedIndex();
    list_->Freeze();
    list_->DeleteAllItems();
    for (std::size_t i = 0; i < project_.FileCount(); ++i) {
        list_->InsertItem(static_cast<long>(i), Wx(FileName(project_.File(i).fullPath)));
        RefreshRow(i);
    }
    if (selected >= 0 && selected < list_->GetItemCount()) {
        list_->SetItemState(selected, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    list_->Thaw();
}

void CPlainFileList::RefreshRow(std::size_t index) {
    if (index >= project_.FileCount() || static_cast<long>(index) >= list_->GetItemCount()) {
        return;
    }
    const FileDoc& file = project_.File(index);
    const long row = static_cast<long>(index);
    list_->SetItem(row, 0, Wx(FileName(file.fullPath)));
    list_->SetItem(row, 1, Wx(file.statusText));
    list_->SetItemBackgroundColour(row, FromColorRef(file.statusColor));
}

long CPlainFileList::SelectedIndex() const {
    return list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CPlainFileList::SetSelectionCallback(std::function<void(long)> callback) {
    onSelect_ = std::move(callback);
}

CProjectPanel::CProjectPanel(wxWindow* parent, std::shared_ptr<CDocvaneDoc> project)
    : wxPanel(parent, wxID_ANY), project_(std::move(project)) {
    SetSizer(new wxBoxSizer(wxVERTICAL));
    SetFileList(std::make_unique<CPlainFileList>(this, *project_));
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
