#pragma once
// The fields dialog: edits a working copy of a project's fields in place, reorders them by dragging,
// stores and loads named lists and copies a field to the clipboard as ready-made field codes.
#include <wx/dialog.h>

#include <vector>

#include "project/FieldDoc.h"
#include "views/ListRows.h"

class wxComboBox;
class wxTextCtrl;

namespace docvane {

class SettingsStore;
class CFieldsDlg;

// The field list with editors placed over the clicked cell.
class CListCtrlEx : public CReportList {
  public:
    explicit CListCtrlEx(CFieldsDlg& dialog);

  private:
    friend class CFieldsDlg;
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnBeginDrag(wxListEvent& event);

    CFieldsDlg& dialog_;
    InsertionMarker marker_;
    long dragRow_ = -1;
    // The cell the left button went down on; its editor opens when the button comes up there
    // without a drag in between.
    long pressRow_ = -1;
    int pressColumn_ = -1;
};

class CFieldsDlg : public wxDialog {
  public:
    enum {
        ID_SAVE_LIST = wxID_HIGHEST + 740,
        ID_LOAD_LIST,
        ID_DELETE_LIST,
        ID_ADD_FIELD,
        ID_COPY_FIELD,
        ID_DELETE_FIELD
    };

    CFieldsDlg(wxWindow* parent, std::vector<FieldDoc> fields, SettingsStore& store);

    // The working copy; after "ОК" without nameless fields.
    const std::vector<FieldDoc>& Fields() const { return fields_; }

    // The dialog's commands.
    void AddField();
    void SaveList();
    void LoadList();
    void DeleteList();
    bool CopySelectedField();
    void DeleteSelectedField();
    // Opens the name (column 0) or value (column 1) editor over the row's cell.
    void OpenEditor(long row, int column);
    void CloseEditors();
    // Moves the field of row from to the drop position to (counted before the move).
    void MoveField(long from, std::size_t to);

    CListCtrlEx* List() { return list_; }
    wxComboBox* ListNames() { return names_; }
    wxTextCtrl* NameEditor() { return nameEditor_; }
    wxTextCtrl* ValueEditor() { return valueEditor_; }

  private:
    void FillRows();
    void ShowRow(long row);
    void FitColumns();
    long SelectedRow() const;
    void OnNameText(wxCommandEvent& event);
    void OnValueText(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    std::vector<FieldDoc> fields_;
    SettingsStore& store_;
    CListCtrlEx* list_ = nullptr;
    wxComboBox* names_ = nullptr;
    wxTextCtrl* nameEditor_ = nullptr;
    wxTextCtrl* valueEditor_ = nullptr;
    long editedRow_ = -1;
};

}  // namespace docvane

namespace docvane {

class CDocvaneDoc;

// The frame's "Поля" command: runs the dialog over a copy of the project's fields and, after "ОК",
// takes the working copy over when it differs (marking the project modified). True when it did.
bool EditProjectFields(wxWindow* parent, CDocvaneDoc& project, SettingsStore& store);

}  // namespace docvane
