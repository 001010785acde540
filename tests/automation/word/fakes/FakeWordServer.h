#pragma once
// A stand-in for the word processor's automation server: an application with options, a document
// collection that opens documents prepared by the test, and documents held in memory with custom
// properties, fields, shapes, sections with headers and footers, tables, a macro project, export and
// save that write files. Every call is recorded (see FakeDispatch.h).
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/Automation.h"
#include "automation/word/WordServerFactory.h"
#include "automation/word/fakes/FakeDispatch.h"
#include "support/PdfFixtures.h"

namespace docvane::test {

struct FakeProperty {
    std::string name;
    std::string value;
    int type = 4;
};

struct FakeShape {
    bool hasText = true;
    int fieldUpdates = 0;
};

struct FakeHeaderFooter {
    bool exists = true;
    int fieldUpdates = 0;
};

struct FakeSection {
    std::vector<FakeHeaderFooter> headers;
    std::vector<FakeHeaderFooter> footers;
};

struct FakeRow {
    std::vector<std::string> cells;
    std::vector<float> widths;  // per cell, points
    float height = 20;          // of every cell, points
    int page = 1;
    float left = 56.7f;  // from the page's left edge, points
    float top = 100;     // from the page's top edge, points
};

struct FakeTable {
    std::vector<FakeRow> rows;
};

struct FakeDocument {
    std::vector<FakeProperty> properties;
    // Word keeps no more than this many bytes of a property value.
    std::size_t maxValueLength = std::numeric_limits<std::size_t>::max();
    // Values read back as something without a text form.
    bool valuesWithoutText = false;
    int bodyFieldUpdates = 0;
    std::vector<FakeShape> shapes;
    std::vector<FakeSection> sections;
    std::vector<FakeTable> tables;
    float pageHeight = 841.9f;
    bool macroProjectAccess = true;
    std::vector<std::string> modules;
    int formsDesignToggles = 0;
    bool open = false;
    // Export and save report success but write nothing.
    bool writeFails = false;
    // Export and save fail with this message of the server (when not empty).
    std::string failWith;
};

// The text Word reports for a table row's range: each cell followed by "\r\a", then the row's end mark.
inline std::string RowRangeText(const FakeRow& row) {
    std::string text;
    for (const auto& cell : row.cells) {
        text += cell + "\r\a";
    }
    return text + "\r\a";
}

class FakeWordServer {
  public:
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    // Documents Open can find, by path. Any other path opens nothing, as a protected file would.
    std::map<std::string, std::shared_ptr<FakeDocument>> documents;
    int instancesCreated = 0;
    int viewType = 0;
    std::vector<std::string> macrosRun;
    bool quit = false;

    FakeDocument& AddDocument(const std::string& path) {
        auto& slot = documents[path];
        slot = std::make_shared<FakeDocument>();
        return *slot;
    }

    AutomationObject CreateApplication() {
        ++instancesCreated;
        auto app = Make("Application");
        for (const char* name :
             {"Visible", "DisplayAlerts", "DisplayDocumentInformationPanel", "WindowState"}) {
            app->GetPut(name, nullptr, [](const AutomationValue&) { return kDispatchOk; });
        }
        app->Get("Options", [this] { return Object(MakeOptions()); });
        app->Get("Documents", [this] { return Object(MakeDocuments()); });
        app->Get("ActiveWindow", [this] { return Object(MakeWindow()); });
        app->Method("Run", 1, [this](const std::vector<AutomationValue>& args, AutomationValue&) {
            macrosRun.push_back(args[0].AsText());
            return kDispatchOk;
        });
        app->Method("Quit", 1, [this](const std::vector<AutomationValue>&, AutomationValue&) {
            quit = true;
            return kDispatchOk;
        });
        return AutomationObject(app);
    }

    // The recorded calls to one member, in order.
    std::vector<RecordedCall> Calls(const std::string& object, const std::string& member) const {
        std::vector<RecordedCall> calls;
        for (const auto& call : *log) {
            if (call.object == object && call.member == member) {
                calls.push_back(call);
            }
        }
        return calls;
    }

    // Every recorded call as "Object.Member", in order; only those of the given objects when named.
    std::vector<std::string> Sequence(const std::vector<std::string>& objects = {}) const {
        std::vector<std::string> out;
        for (const auto& call : *log) {
            bool wanted = objects.empty();
            for (const auto& object : objects) {
                wanted = wanted || call.object == object;
            }
            if (wanted) {
                out.push_back(call.Target());
            }
        }
        return out;
    }

  private:
    using Args = std::vector<AutomationValue>;

    std::shared_ptr<FakeObject> Make(const std::string& kind) {
        return std::make_shared<FakeObject>(kind, log);
    }
    static AutomationValue Object(std::shared_ptr<FakeObject> object) {
        return AutomationValue::Object(AutomationObject(std::move(object)));
    }
    static AutomationValue Int(int value) { return AutomationValue::Int(value); }
    static AutomationValue Single(float value) { return AutomationValue::Single(value); }
    static bool InRange(const AutomationValue& index, std::size_t size) {
        return index.Tag() == ValueTag::Int32 && index.AsInt() >= 1 &&
               static_cast<std::size_t>(index.AsInt()) <= size;
    }
    static std::size_t At(const AutomationValue& index) {
        return static_cast<std::size_t>(index.AsInt() - 1);
    }
    static void WriteOut(const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }

    std::shared_ptr<FakeObject> MakeOptions() {
        auto options = Make("Options");
        for (const char* name :
             {"WarnBeforeSavingPrintingSendingMarkup", "SavePropertiesPrompt", "DoNotPromptForConvert",
              "PromptUpdateStyle", "ConfirmConversions", "AllowReadingMode"}) {
            options->GetPut(name, nullptr, [](const AutomationValue&) { return kDispatchOk; });
        }
        return options;
    }

    std::shared_ptr<FakeObject> MakeWindow() {
        auto window = Make("Window");
        window->Get("View", [this] {
            auto view = Make("View");
            view->GetPut(
                "Type", [this] { return Int(viewType); },
                [this](const AutomationValue& value) {
                    viewType = value.AsInt();
                    return kDispatchOk;
                });
            return Object(view);
        });
        return window;
    }

    std::shared_ptr<FakeObject> MakeDocuments() {
        auto docs = Make("Documents");
        docs->Method("Open", 16, [this](const Args& args, AutomationValue& result) {
            const auto it = documents.find(args[0].AsText());
            if (it == documents.end()) {
                SetLastCallError("Документ защищен паролем");
                return kDispatchException;
            }
            it->second->open = true;
            result = Object(MakeDocument(it->second));
            return kDispatchOk;
        });
        return docs;
    }

    std::shared_ptr<FakeObject> MakeDocument(const std::shared_ptr<FakeDocument>& doc) {
        auto object = Make("Document");
        object->Method("ToggleFormsDesign", 0, [doc](const Args&, AutomationValue&) {
            ++doc->formsDesignToggles;
            return kDispatchOk;
        });
        object->Method("ExportAsFixedFormat", 3, [doc](const Args& args, AutomationValue&) {
            if (!doc->failWith.empty()) {
                SetLastCallError(doc->failWith);
                return kDispatchException;
            }
            if (!doc->writeFails) {
                // A real one-page PDF, so that whole publications can merge it.
                std::ofstream(args[0].AsText(), std::ios::binary | std::ios::trunc).close();
                WriteFixturePdf(args[0].AsText(), 1, "Word");
            }
            return kDispatchOk;
        });
        object->Method("SaveAs2", 17, [doc](const Args& args, AutomationValue&) {
            if (!doc->failWith.empty()) {
                SetLastCallError(doc->failWith);
                return kDispatchException;
            }
            if (!doc->writeFails) {
                WriteOut(args[0].AsText(), "document in format " + std::to_string(args[1].AsInt()));
            }
            return kDispatchOk;
        });
        object->Method("Close", 1, [doc](const Args&, AutomationValue&) {
            doc->open = false;
            return kDispatchOk;
        });
        object->On("CustomDocumentProperties",
                   [this, doc](InvokeKind kind, const Args& args, AutomationValue& result) -> DispatchStatus {
                       if (kind != InvokeKind::PropertyGet) {
                           return kDispatchMemberNotFound;
                       }
                       if (args.empty()) {
                           result = Object(MakeProperties(doc));
                           return kDispatchOk;
                       }
                       if (args.size() != 1 || !InRange(args[0], doc->properties.size())) {
                           return kDispatchException;
                       }
                       result = Object(MakeProperty(doc, At(args[0])));
                       return kDispatchOk;
                   });
        object->Get("Fields", [this, doc] { return Object(MakeFields(doc->bodyFieldUpdates)); });
        object->Get("Shapes", [this, doc] { return Object(MakeShapes(doc)); });
        object->Get("Sections", [this, doc] { return Object(MakeSections(doc)); });
        object->Get("Tables", [this, doc] { return Object(MakeTables(doc)); });
        object->On("VBProject",
                   [this, doc](InvokeKind kind, const Args&, AutomationValue& result) -> DispatchStatus {
                       if (kind != InvokeKind::PropertyGet || !doc->macroProjectAccess) {
                           return kDispatchException;
                       }
                       result = Object(MakeMacroProject(doc));
                       return kDispatchOk;
                   });
        return object;
    }

    std::shared_ptr<FakeObject> MakeProperties(const std::shared_ptr<FakeDocument>& doc) {
        auto props = Make("CustomDocumentProperties");
        props->Get("Count", [doc] { return Int(static_cast<int>(doc->properties.size())); });
        props->Method("Add", 4, [doc](const Args& args, AutomationValue& result) {
            for (const auto& existing : doc->properties) {
                if (existing.name == args[0].AsText()) {
                    return kDispatchException;
                }
            }
            doc->properties.push_back({args[0].AsText(), args[3].AsText(), args[2].AsInt()});
            result = AutomationValue();
            return kDispatchOk;
        });
        return props;
    }

    std::shared_ptr<FakeObject> MakeProperty(const std::shared_ptr<FakeDocument>& doc, std::size_t index) {
        auto prop = Make("CustomDocumentProperty");
        prop->Get("Name", [doc, index] { return AutomationValue::Text(doc->properties[index].name); });
        prop->GetPut(
            "Value",
            [doc, index] {
                if (doc->valuesWithoutText) {
                    return AutomationValue::Omitted();
                }
                return AutomationValue::Text(doc->properties[index].value);
            },
            [doc, index](const AutomationValue& value) {
                doc->properties[index].value = value.AsText().substr(0, doc->maxValueLength);
                return kDispatchOk;
            });
        prop->GetPut(
            "Type", [doc, index] { return Int(doc->properties[index].type); },
            [doc, index](const AutomationValue& value) {
                doc->properties[index].type = value.AsInt();
                return kDispatchOk;
            });
        return prop;
    }

    std::shared_ptr<FakeObject> MakeFields(int& updates) {
        auto fields = Make("Fields");
        fields->Method("Update", 0, [&updates](const Args&, AutomationValue& result) {
            ++updates;
            result = Int(0);
            return kDispatchOk;
        });
        return fields;
    }

    std::shared_ptr<FakeObject> MakeShapes(const std::shared_ptr<FakeDocument>& doc) {
        auto shapes = Make("Shapes");
        shapes->Method("Count", 0, [doc](const Args&, AutomationValue& result) {
            result = Int(static_cast<int>(doc->shapes.size()));
            return kDispatchOk;
        });
        shapes->On("Item",
                   [this, doc](InvokeKind kind, const Args& args, AutomationValue& result) -> DispatchStatus {
                       if (kind != InvokeKind::PropertyGet || args.size() != 1 ||
                           !InRange(args[0], doc->shapes.size())) {
                           return kDispatchException;
                       }
                       FakeShape& shape = doc->shapes[At(args[0])];
                       auto object = Make("Shape");
                       object->Get("TextFrame", [this, doc, &shape] {
                           auto frame = Make("TextFrame");
                           frame->On("TextRange",
                                     [this, doc, &shape](InvokeKind, const Args&,
                                                         AutomationValue& range) -> DispatchStatus {
                                         if (!shape.hasText) {
                                             return kDispatchException;  // Word: this shape holds no text
                                         }
                                         auto text = Make("TextRange");
                                         text->Get("Fields", [this, doc, &shape] {
                                             return Object(MakeFields(shape.fieldUpdates));
                                         });
                                         range = Object(text);
                                         return kDispatchOk;
                                     });
                           return Object(frame);
                       });
                       result = Object(object);
                       return kDispatchOk;
                   });
        return shapes;
    }

    std::shared_ptr<FakeObject> MakeHeadersFooters(const std::shared_ptr<FakeDocument>& doc,
                                                   std::vector<FakeHeaderFooter>& entries) {
        auto collection = Make("HeadersFooters");
        collection->Get("Count", [&entries] { return Int(static_cast<int>(entries.size())); });
        collection->Method("Item", 1, [this, doc, &entries](const Args& args, AutomationValue& result) {
            if (!InRange(args[0], entries.size())) {
                return kDispatchException;
            }
            FakeHeaderFooter& entry = entries[At(args[0])];
            auto object = Make("HeaderFooter");
            object->Get("Exists", [&entry] { return AutomationValue::Bool(entry.exists); });
            object->Get("Range", [this, doc, &entry] {
                auto range = Make("Range");
                range->Get("Fields", [this, doc, &entry] { return Object(MakeFields(entry.fieldUpdates)); });
                return Object(range);
            });
            result = Object(object);
            return kDispatchOk;
        });
        return collection;
    }

    std::shared_ptr<FakeObject> MakeSections(const std::shared_ptr<FakeDocument>& doc) {
        auto sections = Make("Sections");
        sections->Get("Count", [doc] { return Int(static_cast<int>(doc->sections.size())); });
        sections->Method("Item", 1, [this, doc](const Args& args, AutomationValue& result) {
            if (!InRange(args[0], doc->sections.size())) {
                return kDispatchException;
            }
            FakeSection& section = doc->sections[At(args[0])];
            auto object = Make("Section");
            object->Get("Headers",
                        [this, doc, &section] { return Object(MakeHeadersFooters(doc, section.headers)); });
            object->Get("Footers",
                        [this, doc, &section] { return Object(MakeHeadersFooters(doc, section.footers)); });
            result = Object(object);
            return kDispatchOk;
        });
        return sections;
    }

    std::shared_ptr<FakeObject> MakeCells(const FakeRow& row) {
        auto cells = Make("Cells");
        cells->Get("Count", [&row] { return Int(static_cast<int>(row.cells.size())); });
        cells->Method("Item", 1, [this, &row](const Args& args, AutomationValue& result) {
            if (!InRange(args[0], row.cells.size())) {
                return kDispatchException;
            }
            const std::size_t index = At(args[0]);
            auto cell = Make("Cell");
            cell->Get("Width",
                      [&row, index] { return Single(index < row.widths.size() ? row.widths[index] : 0); });
            cell->Get("Height", [&row] { return Single(row.height); });
            result = Object(cell);
            return kDispatchOk;
        });
        return cells;
    }

    std::shared_ptr<FakeObject> MakeRow(const std::shared_ptr<FakeDocument>& doc, const FakeRow& row) {
        auto object = Make("Row");
        object->Get("Cells", [this, &row] { return Object(MakeCells(row)); });
        object->Get("Range", [this, doc, &row] {
            auto range = Make("RowRange");
            range->Get("Text", [&row] { return AutomationValue::Text(RowRangeText(row)); });
            range->Get("PageSetup", [this, doc] {
                auto setup = Make("PageSetup");
                setup->Get("PageHeight", [doc] { return Single(doc->pageHeight); });
                return Object(setup);
            });
            range->On("Information",
                      [&row](InvokeKind kind, const Args& args, AutomationValue& result) -> DispatchStatus {
                          if (kind != InvokeKind::PropertyGet || args.size() != 1 ||
                              args[0].Tag() != ValueTag::Int32) {
                              return kDispatchBadParamCount;
                          }
                          switch (args[0].AsInt()) {
                              case 3:
                                  result = Int(row.page);
                                  return kDispatchOk;
                              case 5:
                                  result = Single(row.left);
                                  return kDispatchOk;
                              case 6:
                                  result = Single(row.top);
                                  return kDispatchOk;
                              default:
                                  return kDispatchException;
                          }
                      });
            return Object(range);
        });
        return object;
    }

    std::shared_ptr<FakeObject> MakeTables(const std::shared_ptr<FakeDocument>& doc) {
        auto tables = Make("Tables");
        tables->Get("Count", [doc] { return Int(static_cast<int>(doc->tables.size())); });
        tables->Method("Item", 1, [this, doc](const Args& args, AutomationValue& result) {
            if (!InRange(args[0], doc->tables.size())) {
                return kDispatchException;
            }
            FakeTable& table = doc->tables[At(args[0])];
            auto object = Make("Table");
            object->Get("Rows", [this, doc, &table] {
                auto rows = Make("Rows");
                rows->Get("Count", [&table] { return Int(static_cast<int>(table.rows.size())); });
                rows->Method("Item", 1, [this, doc, &table](const Args& rowArgs, AutomationValue& row) {
                    if (!InRange(rowArgs[0], table.rows.size())) {
                        return kDispatchException;
                    }
                    row = Object(MakeRow(doc, table.rows[At(rowArgs[0])]));
                    return kDispatchOk;
                });
                return Object(rows);
            });
            result = Object(object);
            return kDispatchOk;
        });
        return tables;
    }

    std::shared_ptr<FakeObject> MakeMacroProject(const std::shared_ptr<FakeDocument>& doc) {
        auto project = Make("VBProject");
        project->Get("VBComponents", [this, doc] {
            auto components = Make("VBComponents");
            components->Method("Add", 1, [this, doc](const Args&, AutomationValue& result) {
                auto component = Make("VBComponent");
                component->Get("CodeModule", [this, doc] {
                    auto module = Make("CodeModule");
                    module->Method("AddFromString", 1, [doc](const Args& args, AutomationValue&) {
                        doc->modules.push_back(args[0].AsText());
                        return kDispatchOk;
                    });
                    return Object(module);
                });
                result = Object(component);
                return kDispatchOk;
            });
            return Object(components);
        });
        return project;
    }
};

// Installs a factory that answers "Word.Application" with the fake server (or nothing at all when no
// server is given) for its lifetime.
class ScopedWordServer {
  public:
    explicit ScopedWordServer(FakeWordServer* server) {
        SetWordServerFactory([server](const std::string& progId) -> AutomationObject {
            if (server == nullptr || progId != kWordProgId) {
                return {};
            }
            return server->CreateApplication();
        });
    }
    ~ScopedWordServer() { SetWordServerFactory(nullptr); }
    ScopedWordServer(const ScopedWordServer&) = delete;
    ScopedWordServer& operator=(const ScopedWordServer&) = delete;
};

}  // namespace docvane::test
