#include "support/FakeAcadServer.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <podofo/podofo.h>

#include "automation/Automation.h"
#include "base/PathUtils.h"
#include "support/FakeDispatchObject.h"

namespace docvane::test {

namespace {
constexpr DispatchStatus kFailed = kDispatchException;

std::string ValueText(const AutomationValue& value) {
    switch (value.Tag()) {
        case ValueTag::Text:
            return value.AsText();
        case ValueTag::Int32:
            return std::to_string(value.AsInt());
        case ValueTag::Bool:
            return std::to_string(value.BoolBits());
        case ValueTag::Object:
            return "<object>";
        case ValueTag::Omitted:
            return "<omitted>";
        case ValueTag::Single:
        case ValueTag::Double:
            return std::to_string(value.AsDouble());
        case ValueTag::Empty:
            break;
    }
    return "<empty>";
}

// The arguments of "(command ...)"; nothing for any other expression.
std::optional<std::vector<std::string>> ParseCommand(const std::string& text) {
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
            ++i;
        }
    };
    skip();
    if (text.compare(i, 8, "(command") != 0) {
        return std::nullopt;
    }
    i += 8;
    std::vector<std::string> args;
    while (true) {
        skip();
        if (i >= text.size()) {
            return std::nullopt;
        }
        if (text[i] == ')') {
            return args;
        }
        std::string arg;
        if (text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    ++i;
                }
                arg.push_back(text[i++]);
            }
            ++i;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != ')') {
                arg.push_back(text[i++]);
            }
        }
        args.push_back(arg);
    }
}

void WritePdf(const std::string& path, const std::vector<std::string>& pages) {
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 420, 297);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    cairo_t* cr = cairo_create(surface);
    // One page per layout, marked by a bar whose width grows with the page number; text would pull in
    // the font machinery, which the fake does not need.
    double width = 20;
    for (std::size_t page = 0; page < pages.size(); ++page) {
        cairo_rectangle(cr, 40, 60, width, 10);
        cairo_fill(cr);
        cairo_show_page(cr);
        width += 20;
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

std::vector<std::string> PaperLayouts(const FakeDrawing& drawing) {
    std::vector<FakeLayout> paper;
    for (const auto& layout : drawing.layouts) {
        if (layout.tabOrder > 0) {
            paper.push_back(layout);
        }
    }
    std::sort(paper.begin(), paper.end(),
              [](const auto& a, const auto& b) { return a.tabOrder < b.tabOrder; });
    std::vector<std::string> names;
    for (const auto& layout : paper) {
        names.push_back(layout.name);
    }
    return names;
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(path).parent_path(), ec);
}
}  // namespace

FakeDrawing DrawingWithSheets(const std::vector<std::string>& sheets) {
    FakeDrawing drawing;
    int tab = 1;
    for (const auto& sheet : sheets) {
        drawing.layouts.push_back({sheet, tab++});
    }
    return drawing;
}

std::vector<AutomationValue> FakeCall::Args() const {
    return {received.rbegin(), received.rend()};
}

std::string FakeCall::Text() const {
    std::string text = object + "." + member;
    for (const auto& arg : Args()) {
        text += "|" + ValueText(arg);
    }
    return text;
}

std::optional<SavedDrawing> ReadSavedDrawing(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line) || line.rfind("FAKEDWG ", 0) != 0) {
        return std::nullopt;
    }
    SavedDrawing saved;
    saved.format = line.substr(8);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        std::getline(fields, kind, '\t');
        if (kind == "layout") {
            std::string name;
            std::getline(fields, name);
            saved.layouts.push_back(name);
        } else if (kind == "block") {
            FakeBlock block;
            std::string xref;
            std::getline(fields, block.handle, '\t');
            std::getline(fields, xref, '\t');
            std::getline(fields, block.path);
            block.isXref = xref == "1";
            saved.blocks.push_back(block);
        } else if (kind == "custom") {
            std::string key;
            std::string value;
            std::getline(fields, key, '\t');
            std::getline(fields, value);
            saved.customInfo[key] = value;
        }
    }
    return saved;
}

int PdfPageCount(const std::string& path) {
    PoDoFo::PdfError::EnableLogging(false);
    PoDoFo::PdfError::EnableDebug(false);
    try {
        PoDoFo::PdfMemDocument document;
        document.Load(path.c_str());
        return document.GetPageCount();
    } catch (const PoDoFo::PdfError&) {
        return 0;
    }
}

struct FakeAcadServer::Document {
    std::string path;
    FakeDrawing drawing;
    std::optional<FakeDrawing> undoMark;
    std::string currentLayout = "Model";
    std::map<std::string, std::int32_t> variables;
};

struct FakeAcadServer::Object : FakeDispatchObject {
    Object(std::weak_ptr<FakeAcadServer> owner, std::string kind)
        : FakeDispatchObject(std::move(kind)), server(std::move(owner)) {}

    void Add(const std::string& member, Handler handler) { On(member, std::move(handler)); }

    // Every call is recorded, also the ones a dead server fails.
    DispatchStatus Call(const std::string& member, const Handler& handler, InvokeKind kind,
                        const DispatchParams& params, AutomationValue* result) override {
        auto owner = server.lock();
        if (!owner) {
            return kDispatchServerGone;
        }
        std::lock_guard<std::recursive_mutex> lock(owner->mutex_);
        owner->calls_.push_back({Kind(), member, kind, params.args, params.namedArgs});
        if (owner->dead_) {
            return kDispatchServerGone;
        }
        return RunHandler(handler, kind, params, result);
    }
    DispatchStatus UnknownMember() override { return kDispatchServerGone; }

    std::weak_ptr<FakeAcadServer> server;
};

namespace {
std::string ArgText(const std::vector<AutomationValue>& args, std::size_t index) {
    return index < args.size() ? args[index].AsText() : std::string();
}
std::int32_t ArgInt(const std::vector<AutomationValue>& args, std::size_t index) {
    return index < args.size() ? args[index].AsInt() : 0;
}
}  // namespace

std::shared_ptr<FakeAcadServer> FakeAcadServer::Create(std::string fullName) {
    std::shared_ptr<FakeAcadServer> server(new FakeAcadServer());
    server->fullName_ = std::move(fullName);
    return server;
}

AutomationObject FakeAcadServer::Application() {
    return MakeApplication();
}

void FakeAcadServer::AddDrawing(const std::string& path, FakeDrawing drawing) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    library_[path] = std::move(drawing);
}

void FakeAcadServer::AddOpenDocument(const std::string& path, FakeDrawing drawing) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto doc = std::make_shared<Document>();
    doc->path = path;
    doc->drawing = std::move(drawing);
    documents_.push_back(doc);
}

void FakeAcadServer::StopAnswering() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    dead_ = true;
}

std::vector<FakeCall> FakeAcadServer::Calls() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeAcadServer::Trace(bool withIdlePolls) const {
    std::vector<std::string> trace;
    for (const auto& call : Calls()) {
        if (!withIdlePolls && (call.member == "GetAcadState" || call.member == "IsQuiescent")) {
            continue;
        }
        trace.push_back(call.Text());
    }
    return trace;
}

std::vector<std::string> FakeAcadServer::Commands() const {
    std::vector<std::string> commands;
    for (const auto& call : Calls()) {
        if (call.member == "SendCommand") {
            commands.push_back(ArgText(call.Args(), 0));
        }
    }
    return commands;
}

bool FakeAcadServer::HasQuit() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return quit_;
}

std::size_t FakeAcadServer::OpenDocumentCount() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return documents_.size();
}

std::vector<std::pair<std::string, int>> FakeAcadServer::Closed() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return closed_;
}

FakeDrawing FakeAcadServer::OpenDrawingState(std::size_t index) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return documents_.at(index)->drawing;
}

std::string FakeAcadServer::CurrentLayout(std::size_t index) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return documents_.at(index)->currentLayout;
}

AutomationObject FakeAcadServer::MakeApplication() {
    auto object = std::make_shared<Object>(weak_from_this(), "Application");
    object->Add("Name", [this](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Text(name);
        return kDispatchOk;
    });
    object->Add("Application", [this](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Object(MakeApplication());
        return kDispatchOk;
    });
    object->Add("Documents", [this](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Object(MakeDocuments());
        return kDispatchOk;
    });
    object->Add("GetAcadState", [this](InvokeKind, const auto&, AutomationValue& out) {
        if (failGetAcadState) {
            return kFailed;
        }
        out = AutomationValue::Object(MakeState());
        return kDispatchOk;
    });
    object->Add("FullName", [this](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Text(fullName_);
        return kDispatchOk;
    });
    object->Add("Quit", [this](InvokeKind, const auto&, AutomationValue&) {
        quit_ = true;
        if (onQuit) {
            onQuit();
        }
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeState() {
    auto object = std::make_shared<Object>(weak_from_this(), "State");
    object->Add("IsQuiescent", [this](InvokeKind, const auto&, AutomationValue& out) {
        bool quiet = !hanging_ && busyLeft_ == 0;
        if (busyLeft_ > 0) {
            --busyLeft_;
        }
        out = AutomationValue::Bool(quiet);
        if (!quiet && onBusyPoll) {
            onBusyPoll();
        }
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeDocuments() {
    auto object = std::make_shared<Object>(weak_from_this(), "Documents");
    object->Add("Count", [this](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Int(static_cast<std::int32_t>(documents_.size()));
        return kDispatchOk;
    });
    object->Add("Item", [this](InvokeKind, const auto& args, AutomationValue& out) {
        const auto index = ArgInt(args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= documents_.size()) {
            return kFailed;
        }
        out = AutomationValue::Object(MakeDocument(documents_[static_cast<std::size_t>(index)]));
        return kDispatchOk;
    });
    object->Add("Open", [this](InvokeKind, const auto& args, AutomationValue& out) {
        const std::string path = ArgText(args, 0);
        if (!openError.empty()) {
            SetLastCallError(openError);
            return kFailed;
        }
        if (!FileExists(path)) {
            return kFailed;
        }
        auto doc = std::make_shared<Document>();
        doc->path = path;
        const auto known = library_.find(path);
        if (known != library_.end()) {
            doc->drawing = known->second;
        }
        documents_.push_back(doc);
        out = AutomationValue::Object(MakeDocument(doc));
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeDocument(const std::shared_ptr<Document>& doc) {
    auto object = std::make_shared<Object>(weak_from_this(), "Document");
    object->Add("Close", [this, doc](InvokeKind, const auto& args, AutomationValue&) {
        if (refuseClose) {
            return kFailed;
        }
        const auto found = std::find(documents_.begin(), documents_.end(), doc);
        if (found == documents_.end()) {
            return kFailed;
        }
        documents_.erase(found);
        closed_.emplace_back(doc->path, ArgInt(args, 0));
        return kDispatchOk;
    });
    object->Add("SendCommand", [this, doc](InvokeKind, const auto& args, AutomationValue&) {
        return SendCommand(*doc, ArgText(args, 0));
    });
    if (keepsMessages) {
        object->Add("TakeMessages", [this](InvokeKind, const auto&, AutomationValue& out) {
            std::string text;
            for (const std::string& message : messages) {
                text += (text.empty() ? "" : "\n") + message;
            }
            messages.clear();
            out = AutomationValue::Text(text);
            return kDispatchOk;
        });
    }
    object->Add("SetVariable", [doc](InvokeKind, const auto& args, AutomationValue&) {
        doc->variables[ArgText(args, 0)] = ArgInt(args, 1);
        return kDispatchOk;
    });
    object->Add("SummaryInfo", [this, doc](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Object(MakeSummary(doc));
        return kDispatchOk;
    });
    object->Add("Layouts", [this, doc](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Object(MakeLayouts(doc));
        return kDispatchOk;
    });
    object->Add("Blocks", [this, doc](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Object(MakeBlocks(doc));
        return kDispatchOk;
    });
    object->Add("StartUndoMark", [doc](InvokeKind, const auto&, AutomationValue&) {
        doc->undoMark = doc->drawing;
        return kDispatchOk;
    });
    object->Add("EndUndoMark", [](InvokeKind, const auto&, AutomationValue&) { return kDispatchOk; });
    object->Add("HandleToObject", [this, doc](InvokeKind, const auto& args, AutomationValue& out) {
        const std::string handle = ArgText(args, 0);
        for (const auto& block : doc->drawing.blocks) {
            if (block.handle == handle) {
                out = AutomationValue::Object(MakeBlock(doc, handle));
                return kDispatchOk;
            }
        }
        return kFailed;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeSummary(const std::shared_ptr<Document>& doc) {
    auto object = std::make_shared<Object>(weak_from_this(), "SummaryInfo");
    auto find = [doc](const std::string& key) {
        auto& info = doc->drawing.customInfo;
        return std::find_if(info.begin(), info.end(),
                            [&key](const auto& entry) { return entry.first == key; });
    };
    object->Add("AddCustomInfo", [doc, find](InvokeKind, const auto& args, AutomationValue&) {
        if (find(ArgText(args, 0)) != doc->drawing.customInfo.end()) {
            return kFailed;
        }
        doc->drawing.customInfo.emplace_back(ArgText(args, 0), ArgText(args, 1));
        return kDispatchOk;
    });
    object->Add("SetCustomByKey", [doc, find](InvokeKind, const auto& args, AutomationValue&) {
        const auto found = find(ArgText(args, 0));
        if (found == doc->drawing.customInfo.end()) {
            return kFailed;
        }
        found->second = ArgText(args, 1);
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeLayouts(const std::shared_ptr<Document>& doc) {
    auto object = std::make_shared<Object>(weak_from_this(), "Layouts");
    object->Add("Count", [doc](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Int(static_cast<std::int32_t>(doc->drawing.layouts.size()));
        return kDispatchOk;
    });
    object->Add("Item", [this, doc](InvokeKind, const auto& args, AutomationValue& out) {
        const auto index = ArgInt(args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= doc->drawing.layouts.size()) {
            return kFailed;
        }
        out = AutomationValue::Object(
            MakeLayout(doc, doc->drawing.layouts[static_cast<std::size_t>(index)].name));
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeLayout(const std::shared_ptr<Document>& doc, const std::string& layout) {
    auto object = std::make_shared<Object>(weak_from_this(), "Layout");
    auto find = [doc, layout] {
        auto& layouts = doc->drawing.layouts;
        return std::find_if(layouts.begin(), layouts.end(),
                            [&layout](const auto& l) { return l.name == layout; });
    };
    object->Add("Name", [layout](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Text(layout);
        return kDispatchOk;
    });
    object->Add("TabOrder", [doc, find](InvokeKind, const auto&, AutomationValue& out) {
        const auto found = find();
        if (found == doc->drawing.layouts.end()) {
            return kFailed;
        }
        out = AutomationValue::Int(found->tabOrder);
        return kDispatchOk;
    });
    object->Add("Delete", [doc, find](InvokeKind, const auto&, AutomationValue&) {
        const auto found = find();
        if (found == doc->drawing.layouts.end() || found->tabOrder == 0) {
            return kFailed;
        }
        doc->drawing.layouts.erase(found);
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeBlocks(const std::shared_ptr<Document>& doc) {
    auto object = std::make_shared<Object>(weak_from_this(), "Blocks");
    object->Add("Count", [doc](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Int(static_cast<std::int32_t>(doc->drawing.blocks.size()));
        return kDispatchOk;
    });
    object->Add("Item", [this, doc](InvokeKind, const auto& args, AutomationValue& out) {
        const auto index = ArgInt(args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= doc->drawing.blocks.size()) {
            return kFailed;
        }
        out = AutomationValue::Object(
            MakeBlock(doc, doc->drawing.blocks[static_cast<std::size_t>(index)].handle));
        return kDispatchOk;
    });
    return AutomationObject(object);
}

AutomationObject FakeAcadServer::MakeBlock(const std::shared_ptr<Document>& doc, const std::string& handle) {
    auto object = std::make_shared<Object>(weak_from_this(), "Block");
    auto find = [doc, handle]() -> FakeBlock* {
        for (auto& block : doc->drawing.blocks) {
            if (block.handle == handle) {
                return &block;
            }
        }
        return nullptr;
    };
    object->Add("Name", [find](InvokeKind, const auto&, AutomationValue& out) {
        FakeBlock* block = find();
        if (block == nullptr) {
            return kFailed;
        }
        out = AutomationValue::Text(block->name);
        return kDispatchOk;
    });
    object->Add("IsXRef", [find](InvokeKind, const auto&, AutomationValue& out) {
        FakeBlock* block = find();
        if (block == nullptr) {
            return kFailed;
        }
        out = AutomationValue::Bool(block->isXref);
        return kDispatchOk;
    });
    object->Add("Handle", [handle](InvokeKind, const auto&, AutomationValue& out) {
        out = AutomationValue::Text(handle);
        return kDispatchOk;
    });
    object->Add("Path", [find](InvokeKind kind, const auto& args, AutomationValue& out) {
        FakeBlock* block = find();
        if (block == nullptr || !block->isXref) {
            return kFailed;
        }
        if (kind == InvokeKind::PropertyPut) {
            block->path = ArgText(args, 0);
        } else {
            out = AutomationValue::Text(block->path);
        }
        return kDispatchOk;
    });
    return AutomationObject(object);
}

std::int32_t FakeAcadServer::SendCommand(Document& doc, const std::string& sent) {
    std::string text = sent;
    for (const std::string suffix : {"\r(command)\r\n", "\r\n"}) {
        if (text.size() >= suffix.size() &&
            text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            text.erase(text.size() - suffix.size());
            break;
        }
    }
    if (text == "(command)") {
        hanging_ = hanging_ && ignoreCancel;
        return kDispatchOk;
    }
    if (const auto args = ParseCommand(text); args && !args->empty()) {
        RunCommand(doc, *args);
    }
    busyLeft_ = busyPolls;
    if (!hangOn.empty() && sent.find(hangOn) != std::string::npos) {
        hanging_ = true;
    }
    if (!dieOn.empty() && sent.find(dieOn) != std::string::npos) {
        dead_ = true;
    }
    return kDispatchOk;
}

void FakeAcadServer::RunCommand(Document& doc, const std::vector<std::string>& args) {
    auto arg = [&args](std::size_t index) { return index < args.size() ? args[index] : std::string(); };
    const std::string& command = args[0];
    FakeDrawing& drawing = doc.drawing;
    if (command == "_.LAYOUT" && arg(1) == "_S") {
        const std::string wanted = arg(2);
        for (const auto& layout : drawing.layouts) {
            if (!wanted.empty() && layout.name == wanted) {
                doc.currentLayout = wanted;
            }
        }
    } else if (command == "_.-EXPORT" && arg(1) == "_P") {
        const bool all = arg(2) == "_A";
        const std::string path = all ? arg(3) : arg(4);
        if (!FolderExists(path)) {
            return;
        }
        auto pages = all ? PaperLayouts(drawing) : std::vector<std::string>{doc.currentLayout};
        if (pages.empty()) {
            pages.push_back("Model");
        }
        WritePdf(path, pages);
    } else if (command == "_.SAVEAS") {
        const std::string path = arg(2);
        if (!FolderExists(path)) {
            return;
        }
        std::ofstream out(path, std::ios::trunc);
        out << "FAKEDWG " << arg(1) << "\n";
        for (const auto& layout : PaperLayouts(drawing)) {
            out << "layout\t" << layout << "\n";
        }
        for (const auto& block : drawing.blocks) {
            out << "block\t" << block.handle << "\t" << (block.isXref ? 1 : 0) << "\t" << block.path << "\n";
        }
        for (const auto& [key, value] : drawing.customInfo) {
            out << "custom\t" << key << "\t" << value << "\n";
        }
    } else if (command == "_.PURGE" && arg(1) == "_B") {
        auto& blocks = drawing.blocks;
        blocks.erase(
            std::remove_if(blocks.begin(), blocks.end(),
                           [](const FakeBlock& block) { return !block.isXref && !block.referenced; }),
            blocks.end());
    } else if (command == "_.-XREF" && arg(1) == "_T") {
        const std::string folder = ParentPath(doc.path);
        for (auto& block : drawing.blocks) {
            if (block.isXref && !IsAbsolutePath(block.path)) {
                block.path = NormalizeLexically(JoinPath(folder, block.path));
            }
        }
    } else if (command == "_.-XREF" && arg(1) == "_B") {
        for (auto& block : drawing.blocks) {
            if (block.isXref && block.bindable) {
                block.isXref = false;
            }
        }
    } else if (command == "_.undo" && arg(1) == "1") {
        if (doc.undoMark) {
            drawing = *doc.undoMark;
            doc.undoMark.reset();
        }
    }
}

}  // namespace docvane::test
