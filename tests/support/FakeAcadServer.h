#pragma once
// An in-process stand-in for the drawing program's automation server: a small in-memory drawing per
// open document (layouts with tab order, blocks with reference flag, handle and path, custom
// properties, an undo mark), every call recorded with its arguments, and the command texts the
// system sends carried out (LAYOUT, -EXPORT writing a PDF, SAVEAS writing a file, PURGE, -XREF,
// undo, the empty command that cancels).
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane::test {

struct FakeLayout {
    std::string name;
    int tabOrder = 0;  // 0 is the model
};

struct FakeBlock {
    std::string name;
    std::string handle;
    bool isXref = false;
    std::string path;        // the referenced file, as stored in the drawing
    bool referenced = true;  // false: PURGE removes it
    bool bindable = true;    // false: -XREF bind leaves it a reference
};

struct FakeDrawing {
    std::vector<FakeLayout> layouts{{"Model", 0}};  // collection order
    std::vector<FakeBlock> blocks;
    std::vector<std::pair<std::string, std::string>> customInfo;
};

// A drawing with the model and the given paper-space layouts in this tab order.
FakeDrawing DrawingWithSheets(const std::vector<std::string>& sheets);

// One call as the server received it.
struct FakeCall {
    std::string
        object;  // Application, Documents, Document, State, SummaryInfo, Layouts, Layout, Blocks, Block
    std::string member;
    InvokeKind kind = InvokeKind::Method;
    std::vector<AutomationValue> received;  // reversed: the call's last argument first
    std::vector<std::int32_t> namedArgs;

    std::vector<AutomationValue> Args() const;  // in call order
    // "Object.Member|arg|arg": texts as they are, integers in decimal, booleans as -1/0.
    std::string Text() const;
};

// What SAVEAS wrote.
struct SavedDrawing {
    std::string format;
    std::vector<std::string> layouts;  // paper-space layouts in tab order
    std::vector<FakeBlock> blocks;
    std::map<std::string, std::string> customInfo;
};
std::optional<SavedDrawing> ReadSavedDrawing(const std::string& path);
// Pages of a PDF written by -EXPORT, 0 when the file is no PDF.
int PdfPageCount(const std::string& path);

class FakeAcadServer : public std::enable_shared_from_this<FakeAcadServer> {
  public:
    static std::shared_ptr<FakeAcadServer> Create(std::string fullName = "/opt/autodesk/acad");

    AutomationObject Application();
    // The drawing a later Open of path gets; an existing file that was not added opens with the model only.
    void AddDrawing(const std::string& path, FakeDrawing drawing);
    // A drawing that is open already (the user's, or the one the program opens at start).
    void AddOpenDocument(const std::string& path, FakeDrawing drawing = {});

    // Behaviour knobs; set them before the calls they are meant to influence.
    std::string name = "AutoCAD";
    int busyPolls = 0;          // IsQuiescent answers false this many times after each command
    std::string hangOn;         // a command holding this text keeps the server busy until "(command)\r\n"
    bool ignoreCancel = false;  // the empty command does not end the hang
    std::string dieOn;          // after a command holding this text every call fails
    bool failGetAcadState = false;
    bool refuseClose = false;          // Close fails and the drawing stays open
    std::function<void()> onBusyPoll;  // after every IsQuiescent that answers false
    std::function<void()> onQuit;
    std::string openError;              // Open fails with this message of the server (when not empty)
    bool keepsMessages = false;         // documents opened afterwards answer TakeMessages
    std::vector<std::string> messages;  // what the next TakeMessages gives (and forgets)

    void StopAnswering();
    std::vector<FakeCall> Calls() const;
    // Every call as FakeCall::Text, without the idle polling (GetAcadState, IsQuiescent) unless asked.
    std::vector<std::string> Trace(bool withIdlePolls = false) const;
    // The texts sent with SendCommand, in order.
    std::vector<std::string> Commands() const;
    bool HasQuit() const;
    std::size_t OpenDocumentCount() const;
    // (path, save flag) of every Close, in order.
    std::vector<std::pair<std::string, int>> Closed() const;
    // The drawing of the open document at index, as it stands now.
    FakeDrawing OpenDrawingState(std::size_t index) const;
    std::string CurrentLayout(std::size_t index) const;

    struct Document;
    struct Object;

  private:
    friend struct Object;
    FakeAcadServer() = default;

    AutomationObject MakeApplication();
    AutomationObject MakeDocuments();
    AutomationObject MakeDocument(const std::shared_ptr<Document>& doc);
    AutomationObject MakeState();
    AutomationObject MakeSummary(const std::shared_ptr<Document>& doc);
    AutomationObject MakeLayouts(const std::shared_ptr<Document>& doc);
    AutomationObject MakeLayout(const std::shared_ptr<Document>& doc, const std::string& layout);
    AutomationObject MakeBlocks(const std::shared_ptr<Document>& doc);
    AutomationObject MakeBlock(const std::shared_ptr<Document>& doc, const std::string& handle);
    std::int32_t SendCommand(Document& doc, const std::string& text);
    void RunCommand(Document& doc, const std::vector<std::string>& args);

    mutable std::recursive_mutex mutex_;
    std::string fullName_;
    std::map<std::string, FakeDrawing> library_;
    std::vector<std::shared_ptr<Document>> documents_;
    std::vector<FakeCall> calls_;
    std::vector<std::pair<std::string, int>> closed_;
    int busyLeft_ = 0;
    bool hanging_ = false;
    bool dead_ = false;
    bool quit_ = false;
};

}  // namespace docvane::test
