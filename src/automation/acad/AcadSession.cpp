#include "automation/acad/AcadSession.h"

#include "project/FieldDoc.h"

#include <optional>

#include "app/ApplicationSettings.h"
#include "automation/Automation.h"
#include "automation/ClassRegistry.h"
#include "automation/RunningObjectTable.h"
#include "automation/acad/FindAcadExecutable.h"
#include "automation/acad/LispStatements.h"
#include "base/PathUtils.h"
#include "run/Cancel.h"
#include "run/Clock.h"
#include "run/Log.h"
#include "run/PublishState.h"

namespace docvane {

namespace {
constexpr const char* kPromptCaption = "Предереждение";
constexpr const char* kPromptText =
    "Публикация невозможна, пока открыт AutoCAD.\n Сохраните и закройте все чертежи в AutoCAD.\n"
    "Да - автоматическое закрытие всех чертежей с сохранением\n"
    "Нет - автоматическое закрытие всех чертежей БЕЗ сохранения\n"
    " Отмена - прерывание процесса публикации";
constexpr const char* kCancelCommand = "(command)\r\n";
constexpr const char* kStatementEnd = "\r(command)\r\n";
constexpr std::size_t kLongPath = 260;
const std::vector<std::string> kStartArguments{"/nologo", "/nossm", "/pl"};

// Lines of the bounded waits.
constexpr const char* kProcessEnded = "Процесс AutoCAD завершился";
constexpr const char* kNotAnswering = "AutoCAD не отвечает, ожидание прекращено";
constexpr const char* kBusyTooLong = "AutoCAD слишком долго не завершает команду, ожидание прекращено";
constexpr const char* kNoGiveWay = "AutoCAD не прервал команду после отмены, ожидание прекращено";
constexpr const char* kNotRegistered = "AutoCAD запущен, но не стал доступен для управления";
constexpr const char* kRunningNotClosed = "Не могу закрыть запущенный AutoCAD";
constexpr const char* kDrawingsNotClosed = "Не удалось закрыть все чертежи AutoCAD";
constexpr const char* kKilledAfterQuit =
    "Процесс AutoCAD не завершился после команды выхода и был остановлен";

bool Running() {
    return GetPublishState().running;
}

std::int32_t Count(const AutomationObject& collection) {
    return GetProperty(collection, "Count").AsInt();
}

AutomationObject FirstItem(const AutomationObject& collection) {
    return CallMethod(collection, "Item", {AutomationValue::Int(0)}).AsObject();
}

}  // namespace

PromptAnswer AnswerCancel(const std::string&, const std::string&) {
    return PromptAnswer::Cancel;
}

AcadSession::AcadSession() = default;

AcadSession::AcadSession(std::shared_ptr<ProcessStarter> starter) : starter_(std::move(starter)) {}

AcadSession::~AcadSession() {
    // A program this session started must not outlive it.
    if (auto process = StartedProcess()) {
        process->Terminate();
        process->WaitForExit(std::chrono::seconds(1));
    }
}

void AcadSession::Sleep() const {
    GetClock().SleepFor(limits_.poll);
}

std::shared_ptr<ServerProcess> AcadSession::StartedProcess() const {
    std::lock_guard<std::mutex> lock(processMutex_);
    return process_;
}

bool AcadSession::ProcessEnded() const {
    const auto process = StartedProcess();
    return process != nullptr && process->HasExited();
}

int AcadSession::StartedProcessId() const {
    const auto process = StartedProcess();
    return process == nullptr ? 0 : process->Id();
}

bool AcadSession::TerminateStartedProcess() {
    const auto process = StartedProcess();
    if (process == nullptr || process->HasExited()) {
        return false;
    }
    process->Terminate();
    return true;
}

bool AcadSession::GiveUp(const std::string& line, bool asError) {
    abandoned_ = true;
    if (asError && Running()) {
        LogError(line);
        RequestCancel();
    } else {
        LogWarning(line);
    }
    return false;
}

bool AcadSession::WaitUntilIdle() {
    if (abandoned_) {
        return false;
    }
    auto lastAnswer = GetClock().Now();
    while (state_.IsNull()) {
        if (application_.IsNull()) {
            return false;  // nothing could ever become idle
        }
        Sleep();
        if (ProcessEnded()) {
            return GiveUp(kProcessEnded, true);
        }
        AutomationObject state = CallMethod(application_, "GetAcadState").AsObject();
        if (state) {
            state_ = std::move(state);
        } else if (GetClock().Now() - lastAnswer > limits_.unanswered) {
            return GiveUp(kNotAnswering, true);
        }
    }

    const auto busySince = GetClock().Now();
    lastAnswer = busySince;
    std::optional<Clock::TimePoint> cancelledSince;
    while (true) {
        AutomationValue quiet;
        const bool answered = InvokeByName(state_, "IsQuiescent", InvokeKind::PropertyGet, {}, &quiet);
        if (answered && quiet.AsFlag()) {
            return true;
        }
        Sleep();
        const auto now = GetClock().Now();
        if (answered) {
            lastAnswer = now;
        }
        if (ProcessEnded()) {
            return GiveUp(kProcessEnded, true);
        }
        if (!answered && now - lastAnswer > limits_.unanswered) {
            return GiveUp(kNotAnswering, true);
        }
        if (!Running()) {
            if (!cancelledSince) {
                cancelledSince = now;
            } else if (now - *cancelledSince > limits_.cancelGrace) {
                return GiveUp(kNoGiveWay, false);
            }
            if (document_) {
                CallMethodChecked(document_, "SendCommand", {TextArgument(kCancelCommand)});
            }
        } else if (now - busySince > limits_.busy) {
            return GiveUp(kBusyTooLong, true);
        }
    }
}

std::string AcadSession::AcadPathFromServer() {
    application_ = CreateLocalServer(kAcadProgramId);
    if (application_.IsNull()) {
        LogWarning(
            "Не могу запустить AutoCAD. Приложение не зарегистрировано в системе. Пробую найти информацию в "
            "реестре");
        return FindAcadExecutable();
    }
    WaitUntilIdle();
    const std::string path = GetProperty(application_, "FullName").AsText();
    QuitAcad(false);
    return path;
}

void AcadSession::StartAcad() {
    if (application_) {
        return;
    }
    // Otherwise the program would start and end unseen, and the run would blame the program.
    if (const std::string refusal = LocalServerRefusal(); !refusal.empty()) {
        LogError(refusal);
        RequestCancel();
        return;
    }
    application_ = FindRunningObject(kAcadRunningName, "Application");
    if (application_) {
        const PromptAnswer answer = prompt_ ? prompt_(kPromptCaption, kPromptText) : PromptAnswer::Cancel;
        if (answer == PromptAnswer::Cancel) {
            application_.Reset();
            LogError("Процесс публикации отменен (требуется завершить работу AutoCAD)");
            RequestCancel();
            return;
        }
        const bool save = answer == PromptAnswer::Yes;
        LogInfo(save ? "Закрываю чертежи AutoCad с сохранением" : "Закрываю чертежи AutoCad без сохранения");
        CloseRunningInstances(save);
        if (application_ || !Running()) {
            application_.Reset();
            return;
        }
    }

    std::string path = AppSettings().exePath;
    if (!StartProcess(path)) {
        LogWarning(
            "Не могу запустить процесс AutoCad по пути из настроек, пробую найти правильный путь к файлу "
            "acad.exe");
        path = AcadPathFromServer();
        if (!StartProcess(path)) {
            LogError("Не могу запустить процесс AutoCad");
            RequestCancel();
            return;
        }
        LogInfo("Сохраняю корректный путь к acad.exe: " + path);
        AppSettings().exePath = path;
        SaveSettings();
    }

    if (const auto process = StartedProcess()) {
        process->WaitUntilReady(limits_.ready, [] { return !Running(); });
    }
    if (!WaitForRegistration()) {
        return;
    }
    if (Running()) {
        CloseStartupDrawings();
    }
}

bool AcadSession::StartProcess(const std::string& path) {
    if (path.empty() || starter_ == nullptr) {
        return false;
    }
    auto process = starter_->Start(path, kStartArguments);
    if (process == nullptr) {
        return false;
    }
    // Kept before any wait so that an emergency stop can already reach it.
    std::lock_guard<std::mutex> lock(processMutex_);
    process_ = std::move(process);
    return true;
}

bool AcadSession::WaitForRegistration() {
    const auto deadline = GetClock().Now() + limits_.registration;
    while (application_.IsNull()) {
        Sleep();
        application_ = FindRunningObject(kAcadRunningName, "Application");
        if (application_) {
            break;
        }
        if (!Running()) {
            DropStartedProcess();
            return false;
        }
        if (ProcessEnded() || GetClock().Now() > deadline) {
            LogError(ProcessEnded() ? kProcessEnded : kNotRegistered);
            DropStartedProcess();
            RequestCancel();
            return false;
        }
    }
    return true;
}

void AcadSession::CloseRunningInstances(bool save) {
    // Every instance is asked to close its drawings and quit, one after another, until none is left.
    const auto deadline = GetClock().Now() + limits_.closeRunning;
    while (true) {
        application_ = FindRunningObject(kAcadRunningName, "Application");
        if (application_.IsNull()) {
            return;
        }
        if (!Running()) {
            return;
        }
        if (GetClock().Now() > deadline) {
            LogError(kRunningNotClosed);
            RequestCancel();
            return;
        }
        QuitAcad(save);
        Sleep();
    }
}

void AcadSession::CloseStartupDrawings() {
    WaitUntilIdle();
    AutomationObject documents = GetProperty(application_, "Documents").AsObject();
    WaitUntilIdle();
    std::int32_t count = Count(documents);
    int stalls = 0;
    while (count > 0 && Running() && !abandoned_ && stalls < limits_.closeStalls) {
        AutomationObject item = FirstItem(documents);
        WaitUntilIdle();
        CallMethodChecked(item, "Close", {AutomationValue::Int(0)});
        WaitUntilIdle();
        item.Reset();
        const std::int32_t next = Count(documents);
        stalls = next >= count ? stalls + 1 : 0;
        count = next;
    }
}

void AcadSession::QuitAcad(bool save) {
    if (application_.IsNull()) {
        return;
    }
    AutomationObject documents = GetProperty(application_, "Documents").AsObject();
    WaitUntilIdle();
    std::int32_t count = Count(documents);
    int stalls = 0;
    while (count > 0 && !abandoned_) {
        if (stalls >= limits_.closeStalls) {
            LogWarning(kDrawingsNotClosed);
            break;
        }
        WaitUntilIdle();
        document_ = FirstItem(documents);
        WaitUntilIdle();
        CallMethodChecked(document_, "Close", {AutomationValue::Int(save ? 1 : 0)});
        WaitUntilIdle();
        const std::int32_t next = Count(documents);
        stalls = next >= count ? stalls + 1 : 0;
        count = next;
    }
    WaitUntilIdle();
    document_.Reset();
    state_.Reset();
    CallMethodChecked(application_, "Quit");
    application_.Reset();
    documents.Reset();
    abandoned_ = false;
    FinishStartedProcess();
}

void AcadSession::FinishStartedProcess() {
    const auto process = StartedProcess();
    if (process == nullptr) {
        return;
    }
    if (!process->WaitForExit(limits_.quit)) {
        LogWarning(kKilledAfterQuit);
        process->Terminate();
        process->WaitForExit(std::chrono::seconds(1));
    }
    std::lock_guard<std::mutex> lock(processMutex_);
    process_.reset();
}

void AcadSession::DropStartedProcess() {
    const auto process = StartedProcess();
    if (process != nullptr) {
        process->Terminate();
        process->WaitForExit(std::chrono::seconds(1));
    }
    std::lock_guard<std::mutex> lock(processMutex_);
    process_.reset();
}

bool AcadSession::OpenDrawing(const std::string& sourcePath) {
    const AutomationObject documents = GetProperty(application_, "Documents").AsObject();
    if (!FileExists(sourcePath)) {
        LogError("Исходный файл не найден: " + sourcePath);
        return false;
    }
    WaitUntilIdle();
    std::string path = sourcePath;
    if (CharacterCount(path) > kLongPath) {
        const std::string shortForm = ShortName(path);
        if (!shortForm.empty()) {
            path = shortForm;
        }
    }
    document_ = CallMethod(documents, "Open", {TextArgument(path), AutomationValue::Int(1)}).AsObject();
    if (document_.IsNull() && !abandoned_ && Running()) {
        // Nothing later could work on it: the run ends here with the program's own reason.
        LogError(WithCause("Не могу открыть файл: " + sourcePath, LastCallError()));
        return false;
    }
    WaitUntilIdle();
    WarnMessages();
    return true;
}

void AcadSession::RunLispScript(const std::string& script) {
    for (const std::string& statement : SplitLispStatements(script)) {
        CallMethodChecked(document_, "SendCommand", {TextArgument(statement + kStatementEnd)});
        WaitUntilIdle();
    }
}

std::vector<std::string> AcadSession::TakeMessages() {
    std::vector<std::string> messages;
    if (document_.IsNull() || abandoned_) {
        return messages;
    }
    AutomationValue text;
    if (!InvokeByName(document_, "TakeMessages", InvokeKind::Method, {}, &text) ||
        text.Tag() != ValueTag::Text) {
        return messages;
    }
    const std::string& all = text.AsText();
    std::size_t begin = 0;
    while (begin < all.size()) {
        std::size_t end = all.find('\n', begin);
        if (end == std::string::npos) {
            end = all.size();
        }
        std::string line = all.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            messages.push_back(std::move(line));
        }
        begin = end + 1;
    }
    return messages;
}

void AcadSession::WarnMessages(const std::string& prefix) {
    for (const std::string& message : TakeMessages()) {
        LogWarning(prefix + message);
    }
}

AcadSession& GetAcadSession() {
    static AcadSession session;
    return session;
}

}  // namespace docvane
