#include "automation/acad/ReferenceBinding.h"

#include <algorithm>
#include <optional>

#include "automation/Automation.h"
#include "automation/acad/AcadSession.h"
#include "base/PathUtils.h"
#include "project/DocvaneDoc.h"

namespace docvane {

namespace {
constexpr const char* kPurge = "(command \"_.PURGE\" \"_B\" \"*\" \"_N\")";
constexpr const char* kFullPaths = "(command \"_.-XREF\" \"_T\" \"*\" \"_F\")";
constexpr const char* kBindAll = "(command \"_.-XREF\" \"_B\" \"*\")";

// A reference block found by its handle; null when there is none or it is no reference (any more).
AutomationObject ReferenceBlock(const AutomationObject& document, const std::string& handle) {
    AutomationObject block = CallMethod(document, "HandleToObject", {TextArgument(handle)}).AsObject();
    if (block && GetProperty(block, "IsXRef").AsFlag()) {
        return block;
    }
    return {};
}

// The stored path of a reference; drawings made on Windows separate folders with backslashes.
std::optional<std::string> StoredPath(const AutomationObject& block) {
    AutomationValue value;
    if (!InvokeByName(block, "Path", InvokeKind::PropertyGet, {}, &value)) {
        return std::nullopt;
    }
    try {
        std::string path = ValueToText(value);
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    } catch (const AutomationError&) {
        return std::nullopt;
    }
}

std::string FirstExisting(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (!candidate.empty() && FileExists(candidate)) {
            return candidate;
        }
    }
    return {};
}
}  // namespace

void RecordReferences(AcadSession& session, const std::vector<std::string>& handles,
                      std::vector<XrefFile>& list, FileDoc& file) {
    list.clear();
    const std::string folder = ParentPath(file.fullPath);
    for (const std::string& handle : handles) {
        AutomationObject block = ReferenceBlock(session.Document(), handle);
        const auto path = block ? StoredPath(block) : std::nullopt;
        block.Reset();
        if (!path || path->empty()) {
            continue;
        }
        // A relative path is taken against the drawing's folder, never against the working folder.
        const std::string found = FirstExisting({
            IsAbsolutePath(*path) ? NormalizeLexically(*path) : std::string(),
            NormalizeLexically(JoinPath(folder, *path)),
            NormalizeLexically(JoinPath(folder, FileName(*path))),
        });
        if (!found.empty()) {
            list.emplace_back(found, file.owner, &file);
        }
    }
}

void BindReferences(AcadSession& session, FileDoc& file) {
    session.RunLispScript(kPurge);
    session.RunLispScript(kPurge);

    const AutomationObject& document = session.Document();
    AutomationObject blocks = GetProperty(document, "Blocks").AsObject();
    session.WaitUntilIdle();
    const std::int32_t count = GetProperty(blocks, "Count").AsInt();
    session.WaitUntilIdle();

    std::vector<std::string> handles;
    for (std::int32_t i = 0; i < count; ++i) {
        AutomationObject block = CallMethod(blocks, "Item", {AutomationValue::Int(i)}).AsObject();
        if (GetProperty(block, "IsXRef").AsFlag()) {
            try {
                handles.push_back(ValueToText(GetProperty(block, "Handle")));
            } catch (const AutomationError&) {
                // A handle without text form cannot be looked up again; the block is left out.
            }
        }
        block.Reset();
    }
    RecordReferences(session, handles, file.xrefsBefore, file);

    const CDocvaneDoc* project = file.owner;
    if (project == nullptr || project->editDir.fullPath.empty()) {
        session.TakeMessages();
        return;
    }
    const AutocadDoc& settings = project->propertyDoc.autocad;
    session.RunLispScript(kFullPaths);
    session.RunLispScript(kBindAll);

    file.xrefsAfter.clear();
    const std::string folder = ParentPath(file.fullPath);
    for (const std::string& handle : handles) {
        AutomationObject block = ReferenceBlock(document, handle);
        const auto path = block ? StoredPath(block) : std::nullopt;
        if (path && !path->empty()) {
            const std::string found = FirstExisting({
                NormalizeLexically(JoinPath(folder, *path)),
                NormalizeLexically(JoinPath(folder, FileName(*path))),
            });
            if (!found.empty()) {
                XrefFile entry(found, file.owner, &file);
                const std::string target = "./" + settings.xrefDir + "/" + FileName(entry.fullPath);
                file.xrefsAfter.push_back(std::move(entry));
                PutProperty(block, "Path", TextArgument(target));
            }
        }
        block.Reset();
    }
    blocks.Reset();
    // A reference left unbound is expected (its file is copied instead); what the program said about it
    // must not be taken for the reason of a later step's failure.
    session.TakeMessages();
}

}  // namespace docvane
