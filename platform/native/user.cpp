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
    HWND window;
    UINT_PTR id;
    uint32_t interval;
    uint32_t due;
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quit_code = 0;
    std::vector<Timer> timers;
};

struct UserState {
    std::vector<std::unique_ptr<HWND__>> windows;
    std::map<std::string, WNDPROC> classes;  // window procedures by upper-case class name
    HWND foreground = nullptr;
    POINT cursor = {0, 0};
    bool cursor_hidden = false;
    std::vector<MessageBoxRecord> message_boxes;
    int beeps = 0;
    bool recording = false;  // of the records below, for tests
    std::vector<MSG> delivered;
    std::vector<MSG> default_handled;
    std::vector<BOOL> running_calls;
    uint32_t peek_cost = 0;
    std::function<void(HWND)> paint_observer;
    FILE* message_stream = nullptr;
};

UserState user;

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
    msg.pt = user.cursor;
    return msg;
}

LRESULT Deliver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!LiveWindow(window)) return 0;
    RecordDelivery(window, message, wparam, lparam);
    return window->procedure(window, message, wparam, lparam);
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
    if (TakeFrom(queue.posted, msg, filter, first, last, remove)) return true;
    if (TakeFrom(queue.input, msg, filter, first, last, remove)) return true;
    if (queue.quit && !filter && InRange(WM_QUIT, first, last)) {
        *msg = MakeMessage(nullptr, WM_QUIT, (WPARAM)queue.quit_code, 0);
        if (remove) queue.quit = false;
        return true;
    }
    for (auto& w : user.windows)
        if (w->alive && !w->update.empty() && (!filter || w.get() == filter) && InRange(WM_PAINT, first, last)) {
            *msg = MakeMessage(w.get(), WM_PAINT, 0, 0);
            return true;
        }
    for (Timer& t : queue.timers)
        if ((int32_t)(Ticks() - t.due) >= 0 && (!filter || t.window == filter) && InRange(WM_TIMER, first, last)) {
            *msg = MakeMessage(t.window, WM_TIMER, t.id, 0);
            if (remove) t.due = Ticks() + t.interval;
            return true;
        }
    return false;
}

void RemoveWindowTraces(HWND window) {
    Queue& queue = ThreadQueue();
    auto of_window = [window](const MSG& m) { return m.hwnd == window; };
    queue.posted.erase(std::remove_if(queue.posted.begin(), queue.posted.end(), of_window), queue.posted.end());
    queue.input.erase(std::remove_if(queue.input.begin(), queue.input.end(), of_window), queue.input.end());
    queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(),
                                      [window](const Timer& t) { return t.window == window; }),
                       queue.timers.end());
}

// Milliseconds until the thread's next timer is due, at most limit (INFINITE: no limit).
uint32_t UntilNextTimer(uint32_t limit) {
    uint32_t wait = limit;
    for (const Timer& t : ThreadQueue().timers)
        wait = std::min(wait, (uint32_t)std::max<int32_t>(0, (int32_t)(t.due - Ticks())));
    return wait;
}

RECT ClientBounds(HWND window) { return {0, 0, window->width, window->height}; }


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
    for (auto& w : user.windows)
        if (w.get() == window) return w->alive ? window : nullptr;
    return nullptr;
}

RECT BoundingBox(const std::vector<RECT>& rects) {
    RECT box = {0, 0, 0, 0};
    for (const RECT& r : rects) ::UnionRect(&box, &box, &r);
    return box;
}

POINT ClientOrigin(HWND window) {
    POINT origin = {0, 0};
    for (HWND w = window; w; w = w->parent) {
        origin.x += w->x;
        origin.y += w->y;
    }
    return origin;
}

void RecordDelivery(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (user.recording) user.delivered.push_back(MakeMessage(window, message, wparam, lparam));
}

void ResetUser() {
    // Their owners let go of what they hold (a saver its record and worker) first.
    for (size_t i = 0; i < user.windows.size(); i++)
        if (user.windows[i]->alive && !user.windows[i]->parent) DestroyWindow(user.windows[i].get());
    user = UserState{};
    ThreadQueue() = Queue{};
}

void SetCursorPosition(int x, int y) { user.cursor = {x, y}; }
void QueueInput(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ThreadQueue().input.push_back(MakeMessage(window, message, wparam, lparam));
}
void SetPeekCost(uint32_t milliseconds) { user.peek_cost = milliseconds; }
void ObservePaints(std::function<void(HWND)> observer) { user.paint_observer = std::move(observer); }
void RecordMessages(bool on) { user.recording = on; }
const std::vector<MessageBoxRecord>& MessageBoxes() { return user.message_boxes; }
int Beeps() { return user.beeps; }
const std::vector<MSG>& DeliveredMessages() { return user.delivered; }
const std::vector<MSG>& DefaultHandledMessages() { return user.default_handled; }
std::vector<BOOL> ScreenSaverRunningCalls() { return user.running_calls; }
bool CursorHidden() { return user.cursor_hidden; }

RetainedRecords Retained() {
    const Queue& queue = ThreadQueue();
    size_t largest_update = 0;
    for (const auto& w : user.windows) largest_update = std::max(largest_update, w->update.size());
    return {user.delivered.size(), user.default_handled.size(), user.message_boxes.size(), user.running_calls.size(),
            queue.posted.size(),   queue.input.size(),          queue.timers.size(),         user.windows.size(),
            largest_update,        LiveGdiObjects(),            LiveBlocks(),                LiveEvents()};
}
void ShowMessageBoxesOn(FILE* stream) { user.message_stream = stream; }

}  // namespace native_platform

using namespace native_platform;

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    if (!window_class || !window_class->lpszClassName || !window_class->lpfnWndProc) return 0;
    std::string key = Upper(window_class->lpszClassName);
    if (user.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    user.classes[key] = window_class->lpfnWndProc;
    return (ATOM)user.classes.size();
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU, HINSTANCE instance, LPVOID parameter) {
    auto found = user.classes.find(Upper(class_name));
    if (found == user.classes.end()) return nullptr;
    if ((style & WS_CHILD) && !LiveWindow(parent)) return nullptr;
    auto window = std::make_unique<HWND__>();
    window->class_name = class_name;
    window->title = title ? title : "";
    window->procedure = found->second;
    window->parent = (style & WS_CHILD) ? parent : nullptr;
    window->style = style;
    window->x = x;
    window->y = y;
    window->width = std::max(width, 0);
    window->height = std::max(height, 0);
    window->alive = true;
    window->user_data = 0;
    window->erase = false;
    window->dc = {window.get(), nullptr, false, {}};
    HWND handle = window.get();
    user.windows.push_back(std::move(window));

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
    for (auto& w : user.windows)
        if (w->alive && w->parent == window) DestroyWindow(w.get());
    window->alive = false;
    RemoveWindowTraces(window);
    if (user.foreground == window) user.foreground = nullptr;
    return TRUE;
}

BOOL IsWindow(HWND window) { return LiveWindow(window) ? TRUE : FALSE; }

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    if (index != GWLP_USERDATA) Unimplemented("GetWindowLongPtrA", "an index other than GWLP_USERDATA");
    return LiveWindow(window) ? window->user_data : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_USERDATA) Unimplemented("SetWindowLongPtrA", "an index other than GWLP_USERDATA");
    if (!LiveWindow(window)) return 0;
    const LONG_PTR before = window->user_data;
    window->user_data = value;
    return before;
}
HWND GetParent(HWND window) { return LiveWindow(window) ? window->parent : nullptr; }

HWND FindWindowA(LPCSTR class_name, LPCSTR title) {
    for (auto& w : user.windows)
        if (w->alive && (!class_name || strcasecmp(w->class_name.c_str(), class_name) == 0) &&
            (!title || w->title == title))
            return w.get();
    return nullptr;
}

BOOL SetForegroundWindow(HWND window) {
    if (!LiveWindow(window)) return FALSE;
    user.foreground = window;
    return TRUE;
}

HWND GetForegroundWindow() { return LiveWindow(user.foreground); }

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!LiveWindow(window) || !rect) return FALSE;
    *rect = ClientBounds(window);
    return TRUE;
}

// Records every message, so tests see what a window procedure let through.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (user.recording) user.default_handled.push_back(MakeMessage(window, message, wparam, lparam));
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
        case WM_ERASEBKGND: {
            RECT all = ClientBounds(window);
            FillRect(&window->dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
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
        AdvanceClock(user.peek_cost);
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
    ThreadQueue().posted.push_back(MakeMessage(window, message, wparam, lparam));
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return Deliver(window, message, wparam, lparam);
}

void PostQuitMessage(int code) {
    ThreadQueue().quit = true;
    ThreadQueue().quit_code = code;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) {
    if (callback) Unimplemented("SetTimer", "a timer procedure");
    if (!LiveWindow(window) || id == 0) return 0;
    Queue& queue = ThreadQueue();
    uint32_t interval = std::max<uint32_t>(elapse, 10);  // USER_TIMER_MINIMUM
    for (Timer& t : queue.timers)
        if (t.window == window && t.id == id) {
            t.interval = interval;
            t.due = Ticks() + interval;
            return id;
        }
    queue.timers.push_back({window, id, interval, Ticks() + interval});
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    Queue& queue = ThreadQueue();
    auto it = std::find_if(queue.timers.begin(), queue.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == queue.timers.end()) return FALSE;
    queue.timers.erase(it);
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
        AddToRegion(window->update, area);
    else
        window->update.assign(1, area);
    window->erase = window->erase || erase;
    return TRUE;
}

// Validates the update region and limits drawing on the window's context to it until EndPaint.
HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (!LiveWindow(window) || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = &window->dc;
    paint->rcPaint = BoundingBox(window->update);
    window->dc.clipped = true;
    window->dc.clip.swap(window->update);
    window->update.clear();
    bool erase = window->erase;
    window->erase = false;
    if (erase) paint->fErase = Deliver(window, WM_ERASEBKGND, (WPARAM)&window->dc, 0) == 0;
    return &window->dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    if (!LiveWindow(window)) return FALSE;
    window->dc.clipped = false;
    window->dc.clip.clear();
    if (user.paint_observer) user.paint_observer(window);
    return TRUE;
}

HDC GetDC(HWND window) { return LiveWindow(window) ? &window->dc : nullptr; }
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
    *rect = {origin.x, origin.y, origin.x + window->width, origin.y + window->height};
    return TRUE;
}

int GetSystemMetrics(int index) {
    const RECT& primary = display.monitors[0];
    switch (index) {
        case SM_CXSCREEN:
            return primary.right - primary.left;
        case SM_CYSCREEN:
            return primary.bottom - primary.top;
        case SM_XVIRTUALSCREEN:
            return display.left;
        case SM_YVIRTUALSCREEN:
            return display.top;
        case SM_CXVIRTUALSCREEN:
            return display.width;
        case SM_CYVIRTUALSCREEN:
            return display.height;
        case SM_CMONITORS:
            return (int)display.monitors.size();
        default:
            Unimplemented("GetSystemMetrics", "this index");
    }
}

HCURSOR SetCursor(HCURSOR cursor_shape) {
    user.cursor_hidden = cursor_shape == nullptr;
    return nullptr;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = user.cursor;
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }

BOOL SystemParametersInfoA(UINT action, UINT uparam, LPVOID, UINT) {
    if (action != SPI_SCREENSAVERRUNNING) Unimplemented("SystemParametersInfoA", "this action");
    if (user.recording) user.running_calls.push_back((BOOL)uparam);
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (user.recording) user.message_boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (user.message_stream) {
        fprintf(user.message_stream, "%s: %s\n", caption ? caption : "", text ? text : "");
        fflush(user.message_stream);
    }
    return IDOK;
}

BOOL MessageBeep(UINT) {
    user.beeps++;
    return TRUE;
}

