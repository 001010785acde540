#include "views/FieldsDlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/dataobj.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "app/SettingsStore.h"
#include "desktop/FieldClipboard.h"
#include "desktop/FieldEdits.h"
#include "desktop/FieldListStore.h"

namespace docvane {
namespace {

constexpr int kMaxEditorCharacters = 255;

wxString FromUtf8(const std::string& text) {
    return wxString::FromUTF8(text.data(), text.size());
}

std::string ToUtf8(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

wxString Label(const char* utf8) {
    return wxString::FromUTF8(utf8);
}

}  // namespace

CListCtrlEx::CListCtrlEx(CFieldsDlg& dialog)
    : CReportList(&dialog, wxID_ANY, wxDefaultPosition, wxSize(520, 260),
                  wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN),
      dialog_(dialog),
      marker_(*this) {
    RowsWindow()->Bind(wxEVT_LEFT_DOWN, &CListCtrlEx::OnLeftDown, this);
    RowsWindow()->Bind(wxEVT_LEFT_UP, &CListCtrlEx::OnLeftUp, this);
    RowsWindow()->Bind(wxEVT_MOTION, &CListCtrlEx::OnMotion, this);
    Bind(wxEVT_LIST_BEGIN_DRAG, &CListCtrlEx::OnBeginDrag, this);
}

void CListCtrlEx::OnLeftDown(wxMouseEvent& event) {
    dialog_.CloseEditors();
    event.Skip();
    const wxPoint point = event.GetPosition();
    const long row = RowAt(*this, point);
    if (row < 0) {
        return;
    }
    // The column under the pointer, from the left edge of the rows.
    int x = point.x + GetScrollPos(wxHORIZONTAL);
    int column = -1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        if (x < GetColumnWidth(c)) {
            column = c;
            break;
        }
        x -= GetColumnWidth(c);
    }
    if (column == 0 || column == 1) {
        // Not yet: an editor opened now would take the drag that may be starting.
        pressRow_ = row;
        pressColumn_ = column;
    }
}

void CListCtrlEx::OnBeginDrag(wxListEvent& event) {
    dialog_.CloseEditors();
    dragRow_ = event.GetIndex();
    RowsWindow()->SetCursor(wxCursor(wxCURSOR_CROSS));
    if (!RowsWindow()->HasCapture()) {
        RowsWindow()->CaptureMouse();
    }
}

void CListCtrlEx::OnMotion(wxMouseEvent& event) {
    event.Skip();
    if (dragRow_ >= 0) {
        marker_.Show(MarkAt(*this, event.GetPosition()));
    }
}

void CListCtrlEx::OnLeftUp(wxMouseEvent& event) {
    event.Skip();
    const long pressRow = pressRow_;
    const int pressColumn = pressColumn_;
    pressRow_ = -1;
    pressColumn_ = -1;
    if (dragRow_ < 0) {
        // A click on a name or value cell: its editor, after the list has selected the row.
        if (pressRow >= 0 && RowAt(*this, event.GetPosition()) == pressRow) {
            CallAfter([this, pressRow, pressColumn] { dialog_.OpenEditor(pressRow, pressColumn); });
        }
        return;
    }
    wxWindow* rows = RowsWindow();
    if (rows->HasCapture()) {
        rows->ReleaseMouse();
    }
    rows->SetCursor(wxNullCursor);
    const long dragged = dragRow_;
    dragRow_ = -1;
    marker_.Hide();
    const wxPoint point = event.GetPosition();
    // A release outside the list moves nothing.
    if (!wxRect(rows->GetClientSize()).Contains(point)) {
        return;
    }
    dialog_.MoveField(dragged, DropIndex(MarkAt(*this, point), RowAt(*this, point)));
}

CFieldsDlg::CFieldsDlg(wxWindow* parent, std::vector<FieldDoc> fields, SettingsStore& store)
    : wxDialog(parent, wxID_ANY, Label("Поля"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      fields_(std::move(fields)),
      store_(store) {
    auto* top = new wxBoxSizer(wxVERTICAL);

    auto* lists = new wxStaticBoxSizer(wxHORIZONTAL, this, Label("Списки полей"));
    wxArrayString stored;
    for (const std::string& name : StoredFieldListNames(store_)) {
        stored.Add(FromUtf8(name));
    }
    names_ = new wxComboBox(lists->GetStaticBox(), wxID_ANY, wxString(), wxDefaultPosition, wxSize(220, -1),
                            stored, wxCB_DROPDOWN);
    lists->Add(names_, 1, wxALL | wxALIGN_CENTER_VERTICAL, 4);
    lists->Add(new wxButton(lists->GetStaticBox(), ID_SAVE_LIST, Label("Сохранить")), 0, wxALL, 4);
    lists->Add(new wxButton(lists->GetStaticBox(), ID_LOAD_LIST, Label("Загрузить")), 0, wxALL, 4);
    lists->Add(new wxButton(lists->GetStaticBox(), ID_DELETE_LIST, Label("Удалить")), 0, wxALL, 4);
    top->Add(lists, 0, wxEXPAND | wxALL, 6);

    auto* fieldBox = new wxStaticBoxSizer(wxVERTICAL, this, Label("Поля"));
    list_ = new CListCtrlEx(*this);
    list_->InsertColumn(0, Label("Поле"));
    list_->InsertColumn(1, Label("Значение"));
    list_->InsertColumn(2, wxString());
    fieldBox->Add(list_, 1, wxEXPAND | wxALL, 4);
    top->Add(fieldBox, 1, wxEXPAND | wxLEFT | wxRIGHT, 6);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, ID_ADD_FIELD, Label("Добавить поле")), 0, wxALL, 4);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, Label("ОК")), 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, Label("Отмена")), 0, wxALL, 4);
    top->Add(buttons, 0, wxEXPAND | wxALL, 6);
    SetSizerAndFit(top);

    FillRows();
    FitColumns();
    list_->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        CallAfter([this] { FitColumns(); });
    });

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { SaveList(); }, ID_SAVE_LIST);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { LoadList(); }, ID_LOAD_LIST);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { DeleteList(); }, ID_DELETE_LIST);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { AddField(); }, ID_ADD_FIELD);
    Bind(wxEVT_BUTTON, &CFieldsDlg::OnOk, this, wxID_OK);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { CopySelectedField(); }, ID_COPY_FIELD);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { DeleteSelectedField(); }, ID_DELETE_FIELD);
    list_->Bind(wxEVT_CONTEXT_MENU, [this](wxContextMenuEvent&) {
        wxMenu menu;
        menu.Append(ID_COPY_FIELD, Label("Копировать"));
        menu.Append(ID_DELETE_FIELD, Label("Удалить"));
        PopupMenu(&menu);
    });
}

void CFieldsDlg::FitColumns() {
    wxRect rect;
    const int rowHeight = list_->GetItemCount() > 0 && list_->GetItemRect(0, rect)
                              ? rect.GetHeight()
                              : list_->GetCharHeight() + 8;
    const int third = 7 * rowHeight / 2;
    const int rest = list_->GetClientSize().GetWidth() - third - wxSystemSettings::GetMetric(wxSYS_VSCROLL_X);
    list_->SetColumnWidth(0, std::max(rest / 2, 40));
    list_->SetColumnWidth(1, std::max(rest / 2, 40));
    list_->SetColumnWidth(2, third);
}

void CFieldsDlg::ShowRow(long row) {
    const FieldDoc& field = fields_[static_cast<std::size_t>(row)];
    list_->SetItem(row, 0, field.name.empty() ? Label("*Новое поле*") : FromUtf8(field.name));
    // One line per row: a value's line breaks would draw over the rows below.
    list_->SetItem(row, 1, FromUtf8(FieldValueRowText(field.value)));
}

void CFieldsDlg::FillRows() {
    CloseEditors();
    list_->DeleteAllItems();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        list_->InsertItem(static_cast<long>(i), wxString());
        ShowRow(static_cast<long>(i));
    }
}

long CFieldsDlg::SelectedRow() const {
    return list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CFieldsDlg::AddField() {
    fields_.push_back(MakeField("", ""));
    const long row = static_cast<long>(fields_.size() - 1);
    list_->InsertItem(row, wxString());
    ShowRow(row);
    list_->EnsureVisible(row);
}

void CFieldsDlg::OpenEditor(long row, int column) {
    CloseEditors();
    if (row < 0 || static_cast<std::size_t>(row) >= fields_.size()) {
        return;
    }
    list_->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    wxRect cell = RowRect(*list_, row);
    int left = 0;
    for (int c = 0; c < column; ++c) {
        left += list_->GetColumnWidth(c);
    }
    cell.SetX(left - list_->GetScrollPos(wxHORIZONTAL));
    cell.SetWidth(list_->GetColumnWidth(column));
    editedRow_ = row;
    const FieldDoc& field = fields_[static_cast<std::size_t>(row)];
    wxWindow* rows = list_->RowsWindow();
    if (column == 0) {
        nameEditor_ =
            new wxTextCtrl(rows, wxID_ANY, FromUtf8(field.name), cell.GetPosition(), cell.GetSize());
        nameEditor_->SetMaxLength(kMaxEditorCharacters);
        nameEditor_->Bind(wxEVT_TEXT, &CFieldsDlg::OnNameText, this);
        nameEditor_->SetFocus();
    } else {
        // Three rows tall, line breaks allowed.
        cell.SetHeight(3 * cell.GetHeight());
        std::string shown = field.value;
        shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
        valueEditor_ = new wxTextCtrl(rows, wxID_ANY, FromUtf8(shown), cell.GetPosition(), cell.GetSize(),
                                      wxTE_MULTILINE | wxVSCROLL | wxTE_PROCESS_ENTER | wxALWAYS_SHOW_SB);
        valueEditor_->Bind(wxEVT_TEXT, &CFieldsDlg::OnValueText, this);
        valueEditor_->SetFocus();
    }
}

void CFieldsDlg::CloseEditors() {
    // Edits are already in the working copy.
    for (wxTextCtrl** editor : {&nameEditor_, &valueEditor_}) {
        if (*editor != nullptr) {
            (*editor)->Unbind(wxEVT_TEXT,
                              editor == &nameEditor_ ? &CFieldsDlg::OnNameText : &CFieldsDlg::OnValueText,
                              this);
            (*editor)->Hide();
            (*editor)->Destroy();
            *editor = nullptr;
        }
    }
    editedRow_ = -1;
}

namespace {

// Puts the corrected text back with the caret where the removed character had been typed.
void CorrectEditor(wxTextCtrl& editor, const std::string& shown) {
    const long caret = editor.GetInsertionPoint();
    editor.ChangeValue(wxString::FromUTF8(shown.data(), shown.size()));
    const long last = editor.GetLastPosition();
    editor.SetInsertionPoint(std::clamp(caret - 1, 0L, last));
    editor.ShowPosition(editor.GetInsertionPoint());
}

}  // namespace

void CFieldsDlg::OnNameText(wxCommandEvent&) {
    if (nameEditor_ == nullptr || editedRow_ < 0 || static_cast<std::size_t>(editedRow_) >= fields_.size()) {
        return;
    }
    const EditorText text = NameEditorText(ToUtf8(nameEditor_->GetValue()));
    if (text.corrected) {
        CorrectEditor(*nameEditor_, text.shown);
    }
    fields_[static_cast<std::size_t>(editedRow_)].name = text.fieldText;
    ShowRow(editedRow_);
}

void CFieldsDlg::OnValueText(wxCommandEvent&) {
    if (valueEditor_ == nullptr || editedRow_ < 0 || static_cast<std::size_t>(editedRow_) >= fields_.size()) {
        return;
    }
    const EditorText text = ValueEditorText(ToUtf8(valueEditor_->GetValue()));
    if (text.corrected) {
        CorrectEditor(*valueEditor_, text.shown);
    }
    fields_[static_cast<std::size_t>(editedRow_)].value = text.fieldText;
    ShowRow(editedRow_);
}

void CFieldsDlg::MoveField(long from, std::size_t to) {
    if (from < 0 || static_cast<std::size_t>(from) >= fields_.size()) {
        return;
    }
    const std::size_t at = MoveEntry(fields_, static_cast<std::size_t>(from), to);
    FillRows();
    list_->SetItemState(static_cast<long>(at), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CFieldsDlg::SaveList() {
    const std::string name = ToUtf8(names_->GetValue());
    if (name.empty()) {
        return;
    }
    StoreFieldList(store_, name, fields_);
}

void CFieldsDlg::LoadList() {
    const std::string name = ToUtf8(names_->GetValue());
    if (name.empty()) {
        fields_.clear();
        FillRows();
        return;
    }
    // A missing, empty or unreadable stored list leaves the working copy as it is.
    auto loaded = LoadFieldList(store_, name);
    if (!loaded) {
        return;
    }
    fields_ = std::move(*loaded);
    FillRows();
}

void CFieldsDlg::DeleteList() {
    const wxString name = names_->GetValue();
    const std::vector<std::string> stored = StoredFieldListNames(store_);
    if (std::find(stored.begin(), stored.end(), ToUtf8(name)) == stored.end()) {
        return;
    }
    // A stored list is shared by every project: it goes only when the user says so.
    wxMessageDialog ask(this, Label("Удалить сохраненный список полей \"") + name + Label("\"?"),
                        Label("Поля"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    ask.SetYesNoLabels(Label("Да"), Label("Нет"));
    if (ask.ShowModal() != wxID_YES) {
        return;
    }
    if (DeleteFieldList(store_, ToUtf8(name))) {
        const int choice = names_->FindString(name, true);
        if (choice != wxNOT_FOUND) {
            names_->Delete(static_cast<unsigned int>(choice));
        }
        names_->SetValue(wxString());
    }
}

bool CFieldsDlg::CopySelectedField() {
    const long row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= fields_.size()) {
        return false;
    }
    wxClipboardLocker locker;
    if (!locker) {
        return false;
    }
    const FieldDoc& field = fields_[static_cast<std::size_t>(row)];
    wxTheClipboard->Clear();
    auto* both = new wxDataObjectComposite();
    const std::u16string code = AcadFieldClipboardData(field);
    auto* acad = new wxCustomDataObject(wxDataFormat(kAcadFieldFormat));
    acad->SetData(code.size() * sizeof(char16_t), code.data());
    both->Add(acad);
    const std::string html = WordFieldHtml(field);
    auto* word = new wxCustomDataObject(wxDataFormat(kHtmlFormat));
    word->SetData(html.size() + 1, html.c_str());
    both->Add(word);
    return wxTheClipboard->SetData(both);
}

void CFieldsDlg::DeleteSelectedField() {
    const long row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= fields_.size()) {
        return;
    }
    CloseEditors();
    fields_.erase(fields_.begin() + row);
    list_->DeleteItem(row);
}

void CFieldsDlg::OnOk(wxCommandEvent&) {
    CloseEditors();
    fields_ = WithoutNamelessFields(std::move(fields_));
    EndModal(wxID_OK);
}

}  // namespace docvane

#include "project/DocvaneDoc.h"

namespace docvane {

bool EditProjectFields(wxWindow* parent, CDocvaneDoc& project, SettingsStore& store) {
    CFieldsDlg dialog(parent, project.fieldDocs, store);
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    return ApplyEditedFields(project, dialog.Fields());
}

}  // namespace docvane
