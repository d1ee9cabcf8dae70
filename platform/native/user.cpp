// Window manager operations for native builds.
// Implements: RegisterClassA, CreateWindowExA, DestroyWindow, IsWindow, GetParent,
// GetWindowLongPtrA and SetWindowLongPtrA (GWLP_USERDATA),
// FindWindowA, SetForegroundWindow, GetForegroundWindow, GetClientRect, GetWindowRect,
// IsRectEmpty, UnionRect,
// DefWindowProcA, PeekMessageA, GetMessageA, MsgWaitForMultipleObjects (for
// messages only, QS_ALLINPUT), TranslateMessage, DispatchMessageA,
// PostMessageA, SendMessageA, PostQuitMessage, SetTimer, KillTimer,
// InvalidateRect, BeginPaint, EndPaint, GetDC, ReleaseDC, GetSystemMetrics
// (screen, virtual screen, monitors), SetCursor, GetCursorPos, LoadIconA, SystemParametersInfoA
// (SPI_SCREENSAVERRUNNING), MessageBoxA, MessageBeep. No dialog manager: only
// the Windows module has a dialog.
//
// Retrieval follows the documented Win32 order: sent messages run inside the
// sending call; then posted messages first in first out; then input; then
// WM_QUIT; then WM_PAINT for a window with a non-empty update region; then
// WM_TIMER for a due timer. Paint and timer messages are therefore seen only
// when nothing else waits. Retrieving a timer's message restarts its interval.
#include "state.h"
#include "test_hooks.h"  // what tests control and observe is implemented here too

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <strings.h>

namespace native_platform {
namespace {

struct Timer {
    HWND Window;
    UINT_PTR Id;
    uint32_t Interval;
    uint32_t Due;
};

struct Queue {
    std::deque<MSG> Posted;
    std::deque<MSG> Input;
    bool Quit = false;
    int QuitCode = 0;
    std::vector<Timer> Timers;
};

struct WindowClass {
    WNDPROC Procedure;
    HBRUSH Background;  // null: the window erases its own background
};

struct UserState {
    std::vector<std::unique_ptr<HWND__>> Windows;
    std::map<std::string, WindowClass> Classes;  // by upper-case class name
    HWND Foreground = nullptr;
    POINT Cursor = {0, 0};
    bool CursorHidden = false;
    std::vector<MessageBoxRecord> MessageBoxes;
    int Beeps = 0;
    bool Recording = false;  // of the records below, for tests
    std::vector<MSG> Delivered;
    std::vector<MSG> DefaultHandled;
    std::vector<BOOL> RunningCalls;
    uint32_t PeekCost = 0;
    std::function<void(HWND)> PaintObserver;
    FILE* MessageStream = nullptr;
};

UserState User;

Queue& ThreadQueue() {
    thread_local Queue queue;
    return queue;
}

std::string Upper(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out) c = (char)toupper((unsigned char)c);
    return out;
}

bool InRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool Matches(const MSG& msg, HWND filter, UINT first, UINT last) {
    return (!filter || msg.hwnd == filter) && InRange(msg.message, first, last);
}

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = Ticks();
    msg.pt = User.Cursor;
    return msg;
}

LRESULT Deliver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!LiveWindow(window)) return 0;
    RecordDelivery(window, message, wparam, lparam);
    return window->Procedure(window, message, wparam, lparam);
}

bool TakeFrom(std::deque<MSG>& from, MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
    auto it = std::find_if(from.begin(), from.end(), [&](const MSG& m) { return Matches(m, filter, first, last); });
    if (it == from.end()) return false;
    *msg = *it;
    if (remove) from.erase(it);
    return true;
}

bool Retrieve(MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
    Queue& queue = ThreadQueue();
    if (TakeFrom(queue.Posted, msg, filter, first, last, remove)) return true;
    if (TakeFrom(queue.Input, msg, filter, first, last, remove)) return true;
    if (queue.Quit && !filter && InRange(WM_QUIT, first, last)) {
        *msg = MakeMessage(nullptr, WM_QUIT, (WPARAM)queue.QuitCode, 0);
        if (remove) queue.Quit = false;
        return true;
    }
    for (auto& w : User.Windows)
        if (w->Alive && !w->Update.empty() && (!filter || w.get() == filter) && InRange(WM_PAINT, first, last)) {
            *msg = MakeMessage(w.get(), WM_PAINT, 0, 0);
            return true;
        }
    for (Timer& t : queue.Timers)
        if ((int32_t)(Ticks() - t.Due) >= 0 && (!filter || t.Window == filter) && InRange(WM_TIMER, first, last)) {
            *msg = MakeMessage(t.Window, WM_TIMER, t.Id, 0);
            if (remove) t.Due = Ticks() + t.Interval;
            return true;
        }
    return false;
}

void RemoveWindowTraces(HWND window) {
    Queue& queue = ThreadQueue();
    auto of_window = [window](const MSG& m) { return m.hwnd == window; };
    queue.Posted.erase(std::remove_if(queue.Posted.begin(), queue.Posted.end(), of_window), queue.Posted.end());
    queue.Input.erase(std::remove_if(queue.Input.begin(), queue.Input.end(), of_window), queue.Input.end());
    queue.Timers.erase(std::remove_if(queue.Timers.begin(), queue.Timers.end(),
                                      [window](const Timer& t) { return t.Window == window; }),
                       queue.Timers.end());
}

// Milliseconds until the thread's next timer is due, at most limit (INFINITE: no limit).
uint32_t UntilNextTimer(uint32_t limit) {
    uint32_t wait = limit;
    for (const Timer& t : ThreadQueue().Timers)
        wait = std::min(wait, (uint32_t)std::max<int32_t>(0, (int32_t)(t.Due - Ticks())));
    return wait;
}

RECT ClientBounds(HWND window) { return {0, 0, window->Width, window->Height}; }


bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// A region as a list of rectangles. Like Windows' own regions it never grows
// past a bound however many rectangles are added before the next paint: a
// rectangle already covered adds nothing, one that covers others replaces
// them, and past kMostRectangles the region becomes its bounding box (a
// larger area to repaint, never a smaller one).
constexpr size_t kMostRectangles = 64;

void AddToRegion(std::vector<RECT>& region, const RECT& area) {
    for (const RECT& r : region)
        if (Contains(r, area)) return;
    region.erase(std::remove_if(region.begin(), region.end(), [&](const RECT& r) { return Contains(area, r); }),
                 region.end());
    region.push_back(area);
    if (region.size() > kMostRectangles) region.assign(1, BoundingBox(region));
}

}  // namespace

HWND LiveWindow(HWND window) {
    for (auto& w : User.Windows)
        if (w.get() == window) return w->Alive ? window : nullptr;
    return nullptr;
}

RECT BoundingBox(const std::vector<RECT>& rects) {
    RECT box = {0, 0, 0, 0};
    for (const RECT& r : rects) ::UnionRect(&box, &box, &r);
    return box;
}

POINT ClientOrigin(HWND window) {
    POINT origin = {0, 0};
    for (HWND w = window; w; w = w->Parent) {
        origin.x += w->X;
        origin.y += w->Y;
    }
    return origin;
}

void RecordDelivery(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (User.Recording) User.Delivered.push_back(MakeMessage(window, message, wparam, lparam));
}

void ResetUser() {
    // Their owners let go of what they hold (a saver its record and worker) first.
    for (size_t i = 0; i < User.Windows.size(); i++)
        if (User.Windows[i]->Alive && !User.Windows[i]->Parent) DestroyWindow(User.Windows[i].get());
    User = UserState{};
    ThreadQueue() = Queue{};
}

void SetCursorPosition(int x, int y) { User.Cursor = {x, y}; }
void QueueInput(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ThreadQueue().Input.push_back(MakeMessage(window, message, wparam, lparam));
}
void SetPeekCost(uint32_t milliseconds) { User.PeekCost = milliseconds; }
void ObservePaints(std::function<void(HWND)> observer) { User.PaintObserver = std::move(observer); }
void RecordMessages(bool on) { User.Recording = on; }
const std::vector<MessageBoxRecord>& MessageBoxes() { return User.MessageBoxes; }
int Beeps() { return User.Beeps; }
const std::vector<MSG>& DeliveredMessages() { return User.Delivered; }
const std::vector<MSG>& DefaultHandledMessages() { return User.DefaultHandled; }
std::vector<BOOL> ScreenSaverRunningCalls() { return User.RunningCalls; }
bool CursorHidden() { return User.CursorHidden; }

RetainedRecords Retained() {
    const Queue& queue = ThreadQueue();
    size_t largest_update = 0;
    for (const auto& w : User.Windows) largest_update = std::max(largest_update, w->Update.size());
    return {User.Delivered.size(), User.DefaultHandled.size(), User.MessageBoxes.size(), User.RunningCalls.size(),
            queue.Posted.size(),   queue.Input.size(),          queue.Timers.size(),         User.Windows.size(),
            largest_update,        LiveGdiObjects(),            LiveBlocks(),                LiveEvents()};
}
void ShowMessageBoxesOn(FILE* stream) { User.MessageStream = stream; }

}  // namespace native_platform

using namespace native_platform;

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    if (!window_class || !window_class->lpszClassName || !window_class->lpfnWndProc) return 0;
    std::string key = Upper(window_class->lpszClassName);
    if (User.Classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    User.Classes[key] = {window_class->lpfnWndProc, window_class->hbrBackground};
    return (ATOM)User.Classes.size();
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU, HINSTANCE instance, LPVOID parameter) {
    auto found = User.Classes.find(Upper(class_name));
    if (found == User.Classes.end()) return nullptr;
    if ((style & WS_CHILD) && !LiveWindow(parent)) return nullptr;
    auto window = std::make_unique<HWND__>();
    window->ClassName = class_name;
    window->Title = title ? title : "";
    window->Procedure = found->second.Procedure;
    window->Background = found->second.Background;
    window->Parent = (style & WS_CHILD) ? parent : nullptr;
    window->Style = style;
    window->X = x;
    window->Y = y;
    window->Width = std::max(width, 0);
    window->Height = std::max(height, 0);
    window->Alive = true;
    window->UserData = 0;
    window->Erase = false;
    window->Dc = {window.get(), nullptr, false, {}};
    HWND handle = window.get();
    User.Windows.push_back(std::move(window));

    CREATESTRUCTA create = {parameter, instance, nullptr, parent, height, width, y, x, (LONG)style, title,
                            class_name, 0};
    if (Deliver(handle, WM_CREATE, 0, (LPARAM)&create) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (LiveWindow(handle) && (style & WS_VISIBLE)) {
        Deliver(handle, WM_SHOWWINDOW, TRUE, 0);
        InvalidateRect(handle, nullptr, TRUE);
    }
    return LiveWindow(handle);
}

BOOL DestroyWindow(HWND window) {
    if (!LiveWindow(window)) return FALSE;
    Deliver(window, WM_DESTROY, 0, 0);
    for (auto& w : User.Windows)
        if (w->Alive && w->Parent == window) DestroyWindow(w.get());
    window->Alive = false;
    RemoveWindowTraces(window);
    if (User.Foreground == window) User.Foreground = nullptr;
    return TRUE;
}

BOOL IsWindow(HWND window) { return LiveWindow(window) ? TRUE : FALSE; }

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    if (index != GWLP_USERDATA) Unimplemented("GetWindowLongPtrA", "an index other than GWLP_USERDATA");
    return LiveWindow(window) ? window->UserData : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_USERDATA) Unimplemented("SetWindowLongPtrA", "an index other than GWLP_USERDATA");
    if (!LiveWindow(window)) return 0;
    const LONG_PTR before = window->UserData;
    window->UserData = value;
    return before;
}
HWND GetParent(HWND window) { return LiveWindow(window) ? window->Parent : nullptr; }

HWND FindWindowA(LPCSTR class_name, LPCSTR title) {
    for (auto& w : User.Windows)
        if (w->Alive && (!class_name || strcasecmp(w->ClassName.c_str(), class_name) == 0) &&
            (!title || w->Title == title))
            return w.get();
    return nullptr;
}

BOOL SetForegroundWindow(HWND window) {
    if (!LiveWindow(window)) return FALSE;
    User.Foreground = window;
    return TRUE;
}

HWND GetForegroundWindow() { return LiveWindow(User.Foreground); }

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!LiveWindow(window) || !rect) return FALSE;
    *rect = ClientBounds(window);
    return TRUE;
}

// Records every message, so tests see what a window procedure let through.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (User.Recording) User.DefaultHandled.push_back(MakeMessage(window, message, wparam, lparam));
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {  // with the class's brush; without one the window erases nothing
            if (!window->Background) return 0;
            RECT all = ClientBounds(window);
            FillRect(&window->Dc, &all, window->Background);
            return 1;
        }
        default:
            return 0;
    }
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
    if (remove & ~(UINT)(PM_REMOVE | PM_NOYIELD)) Unimplemented("PeekMessageA", "a PM_QS_* filter");
    if (RealTime())
        PollInput();
    else
        AdvanceClock(User.PeekCost);
    return msg && Retrieve(msg, window, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

// With nothing to retrieve the test clock moves on to the next due timer; with
// no timer at all nothing could ever arrive, and the call fails instead of
// waiting for good. With the real clock the call waits for input or the timer.
BOOL GetMessageA(MSG* msg, HWND window, UINT first, UINT last) {
    if (!msg) return -1;
    for (;;) {
        if (Retrieve(msg, window, first, last, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        const uint32_t wait = UntilNextTimer(INFINITE);
        if (RealTime()) {
            WaitForInput(wait);
            continue;
        }
        if (wait == INFINITE) {
            *msg = MSG{};
            return -1;
        }
        WaitOnTestClock(wait);
    }
}

// Returns at once when a message could be retrieved; otherwise the test clock
// moves on to the next due timer or to the timeout, whichever comes first
// (nothing else can arrive while the test's only thread waits). With the real
// clock the thread waits that long for input.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD wake_mask) {
    if (count != 0) Unimplemented("MsgWaitForMultipleObjects", "waiting on objects");
    if (wake_mask != QS_ALLINPUT) Unimplemented("MsgWaitForMultipleObjects", "a wake mask other than QS_ALLINPUT");
    MSG msg;
    if (Retrieve(&msg, nullptr, 0, 0, false)) return WAIT_OBJECT_0;
    const uint32_t wait = UntilNextTimer(milliseconds);
    if (RealTime())
        WaitForInput(wait);
    else if (wait == INFINITE)
        return WAIT_FAILED;  // nothing could ever come
    else
        WaitOnTestClock(wait);
    return Retrieve(&msg, nullptr, 0, 0, false) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window && !LiveWindow(window)) return FALSE;
    ThreadQueue().Posted.push_back(MakeMessage(window, message, wparam, lparam));
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return Deliver(window, message, wparam, lparam);
}

void PostQuitMessage(int code) {
    ThreadQueue().Quit = true;
    ThreadQueue().QuitCode = code;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) {
    if (callback) Unimplemented("SetTimer", "a timer procedure");
    if (!LiveWindow(window) || id == 0) return 0;
    Queue& queue = ThreadQueue();
    uint32_t interval = std::max<uint32_t>(elapse, 10);  // USER_TIMER_MINIMUM
    for (Timer& t : queue.Timers)
        if (t.Window == window && t.Id == id) {
            t.Interval = interval;
            t.Due = Ticks() + interval;
            return id;
        }
    queue.Timers.push_back({window, id, interval, Ticks() + interval});
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    Queue& queue = ThreadQueue();
    auto it = std::find_if(queue.Timers.begin(), queue.Timers.end(),
                           [&](const Timer& t) { return t.Window == window && t.Id == id; });
    if (it == queue.Timers.end()) return FALSE;
    queue.Timers.erase(it);
    return TRUE;
}

// Adds the rectangle (the whole client area for null) to the update region.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (!LiveWindow(window)) return FALSE;
    RECT area = ClientBounds(window);
    if (rect) {
        area.left = std::max(area.left, rect->left);
        area.top = std::max(area.top, rect->top);
        area.right = std::min(area.right, rect->right);
        area.bottom = std::min(area.bottom, rect->bottom);
    }
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    if (rect)
        AddToRegion(window->Update, area);
    else
        window->Update.assign(1, area);
    window->Erase = window->Erase || erase;
    return TRUE;
}

// Validates the update region and limits drawing on the window's context to it until EndPaint.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (!LiveWindow(window) || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = &window->Dc;
    paint->rcPaint = BoundingBox(window->Update);
    window->Dc.Clipped = true;
    window->Dc.Clip.swap(window->Update);
    window->Update.clear();
    bool erase = window->Erase;
    window->Erase = false;
    if (erase) paint->fErase = Deliver(window, WM_ERASEBKGND, (WPARAM)&window->Dc, 0) == 0;
    return &window->Dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    if (!LiveWindow(window)) return FALSE;
    window->Dc.Clipped = false;
    window->Dc.Clip.clear();
    if (User.PaintObserver) User.PaintObserver(window);
    return TRUE;
}

HDC GetDC(HWND window) { return LiveWindow(window) ? &window->Dc : nullptr; }
int ReleaseDC(HWND, HDC) { return 1; }

// Windows here have no frames: the window is its client area, in screen coordinates.
BOOL IsRectEmpty(const RECT* rect) {
    if (!rect) Unimplemented("IsRectEmpty", "no rectangle");
    return rect->right <= rect->left || rect->bottom <= rect->top;
}

// An empty rectangle adds nothing; two empty ones give the empty rectangle (all zeros) and FALSE.
BOOL UnionRect(RECT* united, const RECT* a, const RECT* b) {
    if (!united || !a || !b) Unimplemented("UnionRect", "no rectangle");
    const bool a_empty = IsRectEmpty(a), b_empty = IsRectEmpty(b);
    if (a_empty && b_empty) {
        *united = {0, 0, 0, 0};
        return FALSE;
    }
    const RECT first = *a, second = *b;  // united may be either of them
    *united = a_empty   ? second
              : b_empty ? first
                        : RECT{std::min(first.left, second.left), std::min(first.top, second.top),
                               std::max(first.right, second.right), std::max(first.bottom, second.bottom)};
    return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!LiveWindow(window) || !rect) return FALSE;
    const POINT origin = ClientOrigin(window);
    *rect = {origin.x, origin.y, origin.x + window->Width, origin.y + window->Height};
    return TRUE;
}

int GetSystemMetrics(int index) {
    const RECT& primary = Display.Monitors[0];
    switch (index) {
        case SM_CXSCREEN:
            return primary.right - primary.left;
        case SM_CYSCREEN:
            return primary.bottom - primary.top;
        case SM_XVIRTUALSCREEN:
            return Display.VirtualScreen.left;
        case SM_YVIRTUALSCREEN:
            return Display.VirtualScreen.top;
        case SM_CXVIRTUALSCREEN:
            return Display.VirtualScreen.right - Display.VirtualScreen.left;
        case SM_CYVIRTUALSCREEN:
            return Display.VirtualScreen.bottom - Display.VirtualScreen.top;
        case SM_CMONITORS:
            return (int)Display.Monitors.size();
        default:
            Unimplemented("GetSystemMetrics", "this index");
    }
}

HCURSOR SetCursor(HCURSOR cursor_shape) {
    User.CursorHidden = cursor_shape == nullptr;
    return nullptr;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = User.Cursor;
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }

BOOL SystemParametersInfoA(UINT action, UINT uparam, LPVOID, UINT) {
    if (action != SPI_SCREENSAVERRUNNING) Unimplemented("SystemParametersInfoA", "this action");
    if (User.Recording) User.RunningCalls.push_back((BOOL)uparam);
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (User.Recording) User.MessageBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (User.MessageStream) {
        fprintf(User.MessageStream, "%s: %s\n", caption ? caption : "", text ? text : "");
        fflush(User.MessageStream);
    }
    return IDOK;
}

BOOL MessageBeep(UINT) {
    User.Beeps++;
    return TRUE;
}

