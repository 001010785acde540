#include "gui/ViewsTestSupport.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/sizer.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace docvane::test {

void Pump(int ms) {
    wxStopWatch watch;
    do {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxMilliSleep(10);
    } while (watch.Time() < ms);
}

void ClickAt(wxWindow& window, const wxPoint& point, int button) {
    wxUIActionSimulator sim;
    sim.MouseMove(window.ClientToScreen(point));
    Pump(120);
    sim.MouseClick(button);
    Pump(200);
}

void DoubleClickAt(wxWindow& window, const wxPoint& point) {
    wxUIActionSimulator sim;
    sim.MouseMove(window.ClientToScreen(point));
    Pump(120);
    sim.MouseDblClick();
    Pump(250);
}

void RunSteps(const std::vector<std::function<void()>>& steps, int intervalMs) {
    // Steps go from a timer: one of them may start a nested loop (a drag, a menu) that the later
    // steps end.
    std::size_t next = 0;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (next < steps.size()) {
            const std::size_t current = next++;
            steps[current]();
        }
    });
    timer.Start(intervalMs);
    wxStopWatch watch;
    while (next < steps.size() && watch.Time() < 20000) {
        Pump(20);
    }
    timer.Stop();
    Pump(300);
}

void DragBetween(wxWindow& fromWindow, const wxPoint& from, wxWindow& toWindow, const wxPoint& to) {
    const wxPoint start = fromWindow.ClientToScreen(from);
    const wxPoint end = toWindow.ClientToScreen(to);
    std::vector<std::function<void()>> steps;
    steps.push_back([start] { wxUIActionSimulator().MouseMove(start); });
    steps.push_back([] { wxUIActionSimulator().MouseDown(); });
    for (int step = 1; step <= 10; ++step) {
        steps.push_back(
            [start, end, step] { wxUIActionSimulator().MouseMove(start + (end - start) * step / 10); });
    }
    steps.push_back([end] { wxUIActionSimulator().MouseMove(end + wxPoint(1, 0)); });
    steps.push_back([end] { wxUIActionSimulator().MouseMove(end); });
    steps.push_back([] { wxUIActionSimulator().MouseUp(); });
    RunSteps(steps, 100);
}

namespace {

// XTest through the libraries the toolkit has loaded already. A drag holds the toolkit in its own
// loop, where no timer of ours runs, so its input comes from a thread with its own connection.
struct XTest {
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    using Flush = int (*)(void*);
    using Motion = int (*)(void*, int, int, int, unsigned long);
    using Button = int (*)(void*, unsigned int, int, unsigned long);
    OpenDisplay open = reinterpret_cast<OpenDisplay>(dlsym(RTLD_DEFAULT, "XOpenDisplay"));
    CloseDisplay close = reinterpret_cast<CloseDisplay>(dlsym(RTLD_DEFAULT, "XCloseDisplay"));
    Flush flush = reinterpret_cast<Flush>(dlsym(RTLD_DEFAULT, "XFlush"));
    Motion motion = reinterpret_cast<Motion>(dlsym(RTLD_DEFAULT, "XTestFakeMotionEvent"));
    Button button = reinterpret_cast<Button>(dlsym(RTLD_DEFAULT, "XTestFakeButtonEvent"));
    bool Ok() const { return open && close && flush && motion && button; }
};

}  // namespace

bool DragWithButtonHeld(const wxPoint& start, const wxPoint& end) {
    const XTest x;
    if (!x.Ok()) {
        return false;
    }
    std::atomic<bool> done = false;
    std::thread input([&] {
        void* display = x.open(nullptr);
        if (display != nullptr) {
            const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
            x.motion(display, -1, start.x, start.y, 0);
            x.flush(display);
            pause(200);
            x.button(display, 1, 1, 0);
            x.flush(display);
            pause(200);
            for (int step = 1; step <= 12; ++step) {
                const wxPoint at = start + (end - start) * step / 12;
                x.motion(display, -1, at.x, at.y, 0);
                x.flush(display);
                pause(80);
            }
            x.motion(display, -1, end.x + 1, end.y, 0);
            x.flush(display);
            pause(150);
            x.motion(display, -1, end.x, end.y, 0);
            x.flush(display);
            pause(250);
            x.button(display, 1, 0, 0);
            x.flush(display);
            pause(100);
            x.close(display);
        }
        done = true;
    });
    wxStopWatch watch;
    while (!done && watch.Time() < 20000) {
        Pump(20);
    }
    input.join();
    Pump(400);
    return true;
}

void TypeText(const std::string& ascii) {
    wxUIActionSimulator sim;
    sim.Text(ascii.c_str());
    Pump(200);
}

void PressKey(int keycode) {
    wxUIActionSimulator sim;
    sim.Char(keycode);
    Pump(150);
}

int RunModal(const std::function<int()>& show, const std::function<void()>& step) {
    wxTimer timer;
    bool ran = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (ran) {
            return;
        }
        ran = true;
        step();
        // A step that failed early must not leave the test waiting for a click.
        for (wxWindow* window : wxTopLevelWindows) {
            auto* dialog = dynamic_cast<wxDialog*>(window);
            if (dialog != nullptr && dialog->IsModal()) {
                dialog->EndModal(wxID_CANCEL);
            }
        }
    });
    timer.StartOnce(300);
    return show();
}

TestFrame::TestFrame() : frame_(new wxFrame(nullptr, wxID_ANY, "test", wxPoint(20, 20), wxSize(700, 500))) {}

TestFrame::~TestFrame() {
    frame_->Destroy();
    Pump(50);
}

void TestFrame::Show(wxWindow* child) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(child, 1, wxEXPAND);
    frame_->SetSizer(sizer);
    frame_->Show();
    frame_->Raise();
    frame_->Layout();
    Pump(300);
}

}  // namespace docvane::test
