#pragma once
// The one connection of the process to the drawing program ("AutoCAD.Application"): finding,
// starting or attaching it, waiting until it is idle, opening a drawing, sending LISP text, quitting.
// Used by the publish worker only; the user-interface thread may call TerminateStartedProcess.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/ServerProcess.h"

namespace docvane {

enum class PromptAnswer { Yes, No, Cancel };

// Asks the user a Yes/No/Cancel question (caption, text). The GUI shows a message box; without one
// the answer is Cancel (AnswerCancel): a drawing program the user has open is then left alone,
// neither saved into nor closed with unsaved work lost, and the run is cancelled.
using AcadPrompt = std::function<PromptAnswer(const std::string& caption, const std::string& text)>;
PromptAnswer AnswerCancel(const std::string& caption, const std::string& text);

// Bounds of the waits. The drawing program is polled every poll interval; the other values bound
// waits that would otherwise last as long as the program does not answer.
struct AcadLimits {
    std::chrono::milliseconds poll{50};
    // Busy (IsQuiescent false) without a pause: long plots and scripts are normal, hours are not.
    std::chrono::milliseconds busy{std::chrono::minutes(30)};
    // No answer at all (state object or IsQuiescent calls failing): the program is gone or hung.
    std::chrono::milliseconds unanswered{std::chrono::seconds(60)};
    // After a cancel, how long empty commands are sent before the wait gives up.
    std::chrono::milliseconds cancelGrace{std::chrono::seconds(15)};
    // Readiness of a started process, and its registration in the running-object table.
    std::chrono::milliseconds ready{std::chrono::minutes(2)};
    std::chrono::milliseconds registration{std::chrono::minutes(3)};
    // Closing the instances the user had open.
    std::chrono::milliseconds closeRunning{std::chrono::minutes(2)};
    // How long a started process may take to end after Quit before it is terminated.
    std::chrono::milliseconds quit{std::chrono::seconds(30)};
    // Closes in a row that leave the number of open drawings unchanged before giving up.
    int closeStalls = 3;
};

class AcadSession {
  public:
    // Without a starter no new program can be started; the program's main hands one in.
    AcadSession();
    explicit AcadSession(std::shared_ptr<ProcessStarter> starter);
    ~AcadSession();
    AcadSession(const AcadSession&) = delete;
    AcadSession& operator=(const AcadSession&) = delete;

    void SetPrompt(AcadPrompt prompt) { prompt_ = std::move(prompt); }
    const AcadPrompt& Prompt() const { return prompt_; }
    // How a new drawing program is started (between runs only).
    void SetProcessStarter(std::shared_ptr<ProcessStarter> starter) { starter_ = std::move(starter); }
    const std::shared_ptr<ProcessStarter>& Starter() const { return starter_; }
    void SetLimits(const AcadLimits& limits) { limits_ = limits; }
    const AcadLimits& Limits() const { return limits_; }

    // The full path of the running drawing program, asked of a freshly created local server (which
    // is quit again); without a registered server, FindAcadExecutable's answer.
    std::string AcadPathFromServer();
    // Waits until the program is idle. False when it is not: no program attached, or the wait gave up
    // (the program ended, stopped answering, stayed busy too long, or did not give way after a
    // cancel). A wait that gives up writes a line, cancels the run, and makes every later wait return
    // false at once until QuitAcad.
    bool WaitUntilIdle();
    // Attaches the program, closing running instances after asking the user and starting a new one
    // when needed. Afterwards the program is attached or the run has been cancelled.
    void StartAcad();
    // Closes every drawing (saving them when save is set) and quits the program; a process this
    // session started that does not end in time is terminated.
    void QuitAcad(bool save);
    // Opens the drawing read-only. False (with an error line) when the source is missing or the program
    // cannot open it (the line names the program's reason); what the program repaired on opening is a
    // warning line.
    bool OpenDrawing(const std::string& sourcePath);
    // Sends the script one top-level expression at a time, waiting for the program after each.
    void RunLispScript(const std::string& script);
    // What the program reported for the drawing (a repair, a failed command, a script's error) since it
    // was last asked, one text each; nothing from a program that keeps no such record.
    std::vector<std::string> TakeMessages();
    // Takes the messages and writes each as a warning line, after prefix.
    void WarnMessages(const std::string& prefix = {});

    bool IsAttached() const { return !application_.IsNull(); }
    const AutomationObject& Application() const { return application_; }
    const AutomationObject& Document() const { return document_; }
    const AutomationObject& StateObject() const { return state_; }
    void ReleaseDocument() { document_.Reset(); }

    // Thread-safe, for the emergency stop: kills the process this session started, if any. The worker
    // keeps its references; its next calls fail and its waits give up. True when a process was killed.
    bool TerminateStartedProcess();
    // The id of the process this session started, 0 when there is none.
    int StartedProcessId() const;
    // True when this session started a process and it has ended (killed, crashed).
    bool StartedProcessEnded() const { return ProcessEnded(); }

  private:
    bool StartProcess(const std::string& path);
    bool WaitForRegistration();
    AutomationObject FindOwnServer() const;
    void CloseRunningInstances(bool save);
    void CloseStartupDrawings();
    void FinishStartedProcess();
    void DropStartedProcess();
    std::shared_ptr<ServerProcess> StartedProcess() const;
    bool ProcessEnded() const;
    bool GiveUp(const std::string& line, bool asError);
    void Sleep() const;

    std::shared_ptr<ProcessStarter> starter_;
    AcadPrompt prompt_ = AnswerCancel;
    AcadLimits limits_;

    AutomationObject application_;
    AutomationObject document_;
    AutomationObject state_;
    bool abandoned_ = false;  // a wait gave up: the program no longer counts as answering

    mutable std::mutex processMutex_;
    std::shared_ptr<ServerProcess> process_;
};

// The process-wide session, used by the publish worker and the emergency stop.
AcadSession& GetAcadSession();

// Thread-safe, for the emergency stop: kills the processes every session of the process started (a run
// that publishes several files at once has a session per file it works on). The number killed.
int TerminateEveryStartedAcadProcess();

// The program id and the command-line arguments of the drawing program.
inline constexpr const char* kAcadProgramId = "AutoCAD.Application";
inline constexpr const char* kAcadRunningName = "AutoCAD";

}  // namespace docvane
