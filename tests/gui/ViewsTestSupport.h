#pragma once
// Helpers of the window tests of the project views: pumping events, pointer and keyboard input
// through XTest, and modal dialogs driven from a queued step.
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <functional>
#include <string>
#include <vector>

namespace docvane::test {

// Handles pending events for about ms milliseconds.
void Pump(int ms = 150);

// Moves the pointer to a point of window (client coordinates) and clicks there.
void ClickAt(wxWindow& window, const wxPoint& point, int button = wxMOUSE_BTN_LEFT);
void DoubleClickAt(wxWindow& window, const wxPoint& point);
// Runs the steps one by one from a timer, also while one of them holds a nested loop.
void RunSteps(const std::vector<std::function<void()>>& steps, int intervalMs = 120);
// Presses the button at from, moves in steps to to and releases there.
void DragBetween(wxWindow& fromWindow, const wxPoint& from, wxWindow& toWindow, const wxPoint& to);
// The same with the input sent from a thread: for drags the toolkit runs in a loop of its own.
// False when the input extension cannot be reached.
bool DragWithButtonHeld(const wxPoint& startOnScreen, const wxPoint& endOnScreen);
void TypeText(const std::string& ascii);
void PressKey(int keycode);

// Runs step from inside the modal loop that show starts (show returns the modal result); a dialog
// still open after the step is cancelled.
int RunModal(const std::function<int()>& show, const std::function<void()>& step);

// The open top-level window of type T, if any.
template <typename T>
T* FindTopLevel() {
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* found = dynamic_cast<T*>(window); found != nullptr && found->IsShown()) {
            return found;
        }
    }
    return nullptr;
}

// A top-level window for one test, destroyed at the end.
class TestFrame {
  public:
    TestFrame();
    ~TestFrame();
    wxFrame& operator*() { return *frame_; }
    wxFrame* operator->() { return frame_; }
    // Shows the frame with child filling it.
    void Show(wxWindow* child);

  private:
    wxFrame* frame_;
};

}  // namespace docvane::test
