#pragma once
// The word processor of a publication: one application instance per run, and the one document that
// is open between OpenWordDocument and CloseWordDocument. Used only by the publish worker thread.
#include "automation/AutomationObject.h"

namespace docvane {

class ProtectedPaths;
struct FileDoc;

// Word's published constants as the session sends them.
inline constexpr int kWordWindowStateMinimized = 2;
inline constexpr int kWordViewPrintLayout = 3;
inline constexpr int kWordExportFormatPdf = 17;
inline constexpr int kWordFormatDocument97 = 0;
inline constexpr int kWordFormatDocumentDefault = 16;
inline constexpr int kWordDoNotSaveChanges = 0;

// How many documents one word-processor application opens before the session starts a fresh one.
inline constexpr int kDocumentsPerOffice = 50;

class WordSession {
  public:
    // The application; null until StartWord succeeds and after StopWord or Release.
    AutomationObject application;
    // The open document; null when none is open.
    AutomationObject document;

    // Starts the word processor unless this session already has one that has not yet opened
    // kDocumentsPerOffice documents (then that one is quit first, without a line). When "Word.Application"
    // cannot be created, logs the error line and cancels the run; application stays null.
    void StartWord();
    // Opens the file's source read-only; false (with its error line) ends the run.
    bool OpenWordDocument(const FileDoc& file);
    // Exports the open document to the file's temporary PDF and places it in the PDF folder.
    // guard: the run's protected set for placing (null: one built now), likewise below.
    bool ExportWordPdf(const FileDoc& file, const ProtectedPaths* guard = nullptr);
    // Saves the editable copy into the temporary folder and places it in the editable folder.
    bool SaveWordEditableCopy(const FileDoc& file, const ProtectedPaths* guard = nullptr);
    // Closes the document without saving; document is null afterwards.
    void CloseWordDocument();

    bool IsAttached() const { return !application.IsNull(); }
    // The word-processor half of stopping the automation servers at the end of a run: when attached,
    // the info line "Останавливаю процесс Word...", Quit without saving, and both references dropped.
    // Does nothing when nothing is attached.
    void StopWord();
    // Quit without saving and both references dropped, without a log line (StopWord's second half).
    void Quit();
    // Drops both references without talking to the server (the server ends once nothing holds it).
    void Release();
    // True when the application was attached and its server can no longer be reached (it ended), or
    // the server reports that its office ended under the document (property OfficeLost).
    bool ServerLost() const;
    // How many documents this application has opened since it started.
    int OpenedDocuments() const { return opened_; }

  private:
    int opened_ = 0;
};

// The session of the process, owned by the publish worker.
WordSession& GetWordSession();

}  // namespace docvane
