// Memory blocks, events, time, version, optional libraries and the registry
// for native builds.
// Implements: LocalAlloc, LocalLock, LocalUnlock, LocalFree, GlobalAlloc,
// GlobalLock, GlobalUnlock, GlobalFree, CreateEventA, SetEvent,
// WaitForSingleObject, CloseHandle (events), GetTickCount, Sleep, timeGetTime,
// timeBeginPeriod and timeEndPeriod (period 1), GetSystemTime
// (seconds and milliseconds), GetSystemTimeAsFileTime, GetVersionExA,
// _beginthread, LoadLibraryA, GetProcAddress, FreeLibrary ("PASSWORD.CPL" when a test installs
// a verifier; every other library is absent), RegOpenKeyExA, RegQueryValueExA,
// RegCloseKey ("ScreenSaveUsePassword" under "Control Panel\Desktop").
//
// Blocks are exactly as large as asked, so that the address sanitizer sees any
// access past their end. Time is a test clock that only tests, Sleep and
// waits move, until a program asks for the system's clocks (UseRealTime).
#include "state.h"
#include "test_hooks.h"  // what tests control and observe is implemented here too

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <strings.h>
#include <thread>

namespace native_platform {

constexpr uint64_t kCalendarStart = 1700000000000ull;  // ms since 1970 when the clock reads 0
std::atomic<uint32_t> TickCount{0};
uint64_t CalendarBaseMs = kCalendarStart;

namespace {

struct Block {
    std::unique_ptr<uint8_t[]> Data;
    size_t Bytes;
    bool Global;
    int Locks = 0;
};

struct Event {
    std::mutex Mutex;
    std::condition_variable SignalledChanged;
    bool Signalled;
    bool ManualReset;
};

struct KernelState {
    std::vector<std::unique_ptr<Block>> Blocks;  // live blocks
    std::vector<std::unique_ptr<Event>> Events;  // live events
    int BadReleases = 0;
    std::function<bool(bool, size_t)> FailAllocation;
    bool FailLocks = false;
    DWORD PlatformId = VER_PLATFORM_WIN32_NT;
    DWORD UsePasswordValue = 0;
    bool HasPasswordValue = false;
    BOOL (*PasswordVerifier)(HWND) = nullptr;
    bool FailThreads = false;
    std::function<void(const uint8_t*, size_t)> ReleaseObserver;
};

KernelState Kernel;

struct ClockState {
    bool Real = false;
    InputSource Source;
    bool Coarse = false;  // the test clock interrupts every 15.625 ms
    int Raised = 0;       // timeBeginPeriod(1) calls not yet given back
    int Begins = 0, Ends = 0;
    // A calendar set on the real clock gives the time set at its next reading
    // and runs on from that reading with the steady clock: a program that sets
    // it before a window is made reads exactly that, however long the making takes.
    bool CalendarSet = false;
    bool CalendarRead = false;
    uint64_t CalendarAtSet = 0;
    std::chrono::steady_clock::time_point SetAt;
};

// The system timer's interrupts when the resolution is not raised: every
// 15.625 ms, the k-th seen on the whole-millisecond clock at ceil(k * 15.625).
constexpr uint64_t kInterruptMicroseconds = 15625;
uint32_t CoarseInterrupt(uint64_t k) { return (uint32_t)((k * kInterruptMicroseconds + 999) / 1000); }

// The last interrupt at or before t, and the first at or after it.
uint32_t InterruptAtOrBefore(uint32_t t) { return CoarseInterrupt((uint64_t)t * 1000 / kInterruptMicroseconds); }
uint32_t InterruptAtOrAfter(uint32_t t) {
    return t == 0 ? 0 : CoarseInterrupt(((uint64_t)t - 1) * 1000 / kInterruptMicroseconds + 1);
}

ClockState Clock;

uint64_t CalendarMilliseconds() {
    if (!Clock.Real) return CalendarBaseMs + TickCount;
    if (Clock.CalendarSet && !Clock.CalendarRead) {
        Clock.CalendarRead = true;
        Clock.SetAt = std::chrono::steady_clock::now();
    }
    if (Clock.CalendarSet)
        return Clock.CalendarAtSet + (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - Clock.SetAt)
                                                 .count();
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
struct ThreadStart {
    void (*Start)(void*);
    void* Argument;
};

void* RunThread(void* begun) {
    const ThreadStart what = *static_cast<ThreadStart*>(begun);
    delete static_cast<ThreadStart*>(begun);
    what.Start(what.Argument);
    return nullptr;
}

int LibraryToken;  // the address of this stands for the loaded "PASSWORD.CPL"
int DesktopKeyToken;  // and of this for the key "Control Panel\Desktop"
const HKEY kDesktopKey = reinterpret_cast<HKEY>(&DesktopKeyToken);

HANDLE Allocate(bool global, UINT flags, SIZE_T bytes) {
    if (Kernel.FailAllocation && Kernel.FailAllocation(global, bytes)) return nullptr;
    auto block = std::make_unique<Block>();
    block->Data.reset(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
    if (!block->Data) return nullptr;
    if (flags & GMEM_ZEROINIT) memset(block->Data.get(), 0, bytes ? bytes : 1);
    block->Bytes = bytes;
    block->Global = global;
    Kernel.Blocks.push_back(std::move(block));
    return Kernel.Blocks.back().get();
}

Block* FindBlock(HANDLE handle) {
    for (auto& b : Kernel.Blocks)
        if (b.get() == handle) return b.get();
    return nullptr;
}

LPVOID Lock(HANDLE handle) {
    Block* block = FindBlock(handle);
    if (!block || Kernel.FailLocks) return nullptr;
    block->Locks++;
    return block->Data.get();
}

BOOL Unlock(HANDLE handle) {
    Block* block = FindBlock(handle);
    if (!block || block->Locks == 0) return FALSE;
    return --block->Locks > 0;
}

// Forgets the live object; counts a release of one that is not live.
template <typename T>
bool ReleaseLive(std::vector<std::unique_ptr<T>>& live, HANDLE handle) {
    auto it = std::find_if(live.begin(), live.end(), [handle](const auto& p) { return p.get() == handle; });
    if (it == live.end()) {
        Kernel.BadReleases++;
        return false;
    }
    live.erase(it);
    return true;
}

HANDLE Release(HANDLE handle) {
    if (Kernel.ReleaseObserver)
        if (Block* block = FindBlock(handle)) Kernel.ReleaseObserver(block->Data.get(), block->Bytes);
    return ReleaseLive(Kernel.Blocks, handle) ? nullptr : handle;
}

Event* FindEvent(HANDLE handle) {
    for (auto& e : Kernel.Events)
        if (e.get() == handle) return e.get();
    return nullptr;
}

}  // namespace

void ResetKernel() {
    Kernel = KernelState{};
    Clock = ClockState{};
    TickCount = 0;
    CalendarBaseMs = kCalendarStart;
}

uint32_t Ticks() {
    if (!Clock.Real) return Clock.Coarse ? InterruptAtOrBefore(TickCount) : TickCount.load();
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool RealTime() { return Clock.Real; }

void UseRealTime(InputSource source) {
    if (!source.Wait || !source.Poll) Unimplemented("UseRealTime", "a source without wait and poll");
    Clock.Real = true;
    Clock.Source = std::move(source);
}

void WaitForInput(DWORD milliseconds) { Clock.Source.Wait(milliseconds); }
void PollInput() { Clock.Source.Poll(); }

void SetTickCount(uint32_t milliseconds) { TickCount = milliseconds; }
void AdvanceClock(uint32_t milliseconds) { TickCount += milliseconds; }

void WaitOnTestClock(uint32_t milliseconds) {
    if (!Clock.Coarse || Clock.Raised > 0) {
        TickCount += milliseconds;
        return;
    }
    TickCount = InterruptAtOrAfter(Ticks() + milliseconds);
}

void UseCoarseClock(bool on) { Clock.Coarse = on; }
uint32_t ExactTime() { return TickCount; }
TimerPeriodCalls TimerPeriods() { return {Clock.Begins, Clock.Ends}; }
void SetCalendarMilliseconds(uint64_t since_1970) {
    CalendarBaseMs = since_1970 - TickCount;
    Clock.CalendarSet = true;
    Clock.CalendarRead = false;
    Clock.CalendarAtSet = since_1970;
}
void FailAllocations(std::function<bool(bool, size_t)> predicate) { Kernel.FailAllocation = std::move(predicate); }
void FailLocks(bool fail) { Kernel.FailLocks = fail; }
int LiveBlocks() { return (int)Kernel.Blocks.size(); }
int BadReleases() { return Kernel.BadReleases; }
int LiveEvents() { return (int)Kernel.Events.size(); }
void SetPlatformId(DWORD platform) { Kernel.PlatformId = platform; }
void FailThreadStarts(bool fail) { Kernel.FailThreads = fail; }
void ObserveReleases(std::function<void(const uint8_t* data, size_t bytes)> observer) {
    Kernel.ReleaseObserver = std::move(observer);
}

void SetPasswordProtection(DWORD use_password, BOOL (*verifier)(HWND)) {
    Kernel.HasPasswordValue = true;
    Kernel.UsePasswordValue = use_password;
    Kernel.PasswordVerifier = verifier;
}

}  // namespace native_platform

using namespace native_platform;

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) { return Allocate(false, flags, bytes); }
LPVOID LocalLock(HLOCAL block) { return Lock(block); }
BOOL LocalUnlock(HLOCAL block) { return Unlock(block); }
HLOCAL LocalFree(HLOCAL block) { return Release(block); }
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return Allocate(true, flags, bytes); }
LPVOID GlobalLock(HGLOBAL block) { return Lock(block); }
BOOL GlobalUnlock(HGLOBAL block) { return Unlock(block); }
HGLOBAL GlobalFree(HGLOBAL block) { return Release(block); }

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial, LPCSTR) {
    auto event = std::make_unique<Event>();
    event->Signalled = initial;
    event->ManualReset = manual_reset;
    Kernel.Events.push_back(std::move(event));
    return Kernel.Events.back().get();
}

BOOL SetEvent(HANDLE handle) {
    Event* event = FindEvent(handle);
    if (!event) return FALSE;
    std::lock_guard<std::mutex> hold(event->Mutex);
    event->Signalled = true;
    event->SignalledChanged.notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Event* event = FindEvent(handle);
    if (!event) return WAIT_FAILED;
    std::unique_lock<std::mutex> hold(event->Mutex);
    auto ready = [event] { return event->Signalled; };
    if (milliseconds == INFINITE)
        event->SignalledChanged.wait(hold, ready);
    else if (!event->SignalledChanged.wait_for(hold, std::chrono::milliseconds(milliseconds), ready))
        return WAIT_TIMEOUT;
    if (!event->ManualReset) event->Signalled = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) { return ReleaseLive(Kernel.Events, handle) ? TRUE : FALSE; }

DWORD GetTickCount() { return Ticks(); }

DWORD timeGetTime() {
    if (!Clock.Real && Clock.Coarse && Clock.Raised > 0) return TickCount.load();
    return Ticks();
}

MMRESULT timeBeginPeriod(UINT period) {
    if (period != 1) Unimplemented("timeBeginPeriod", "a period other than 1 ms");
    Clock.Raised++;
    Clock.Begins++;
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    if (period != 1) Unimplemented("timeEndPeriod", "a period other than 1 ms");
    if (Clock.Raised == 0) return TIMERR_NOCANDO;  // nothing to give back
    Clock.Raised--;
    Clock.Ends++;
    return TIMERR_NOERROR;
}

void Sleep(DWORD milliseconds) {
    if (!Clock.Real)
        WaitOnTestClock(milliseconds);
    else if (milliseconds == INFINITE)
        Unimplemented("Sleep", "sleeping for good");
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void GetSystemTimeAsFileTime(FILETIME* time) {
    uint64_t ticks = CalendarMilliseconds() * 10000ull + 116444736000000000ull;
    time->dwLowDateTime = (DWORD)ticks;
    time->dwHighDateTime = (DWORD)(ticks >> 32);
}

// Only the fields the saver reads are exact: seconds and milliseconds.
void GetSystemTime(SYSTEMTIME* time) {
    uint64_t ms = CalendarMilliseconds();
    *time = SYSTEMTIME{};
    time->wYear = 1970;
    time->wMonth = 1;
    time->wDay = 1;
    time->wSecond = (WORD)(ms / 1000 % 60);
    time->wMilliseconds = (WORD)(ms % 1000);
}

BOOL GetVersionExA(OSVERSIONINFOA* version) {
    if (!version || version->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return FALSE;
    version->dwMajorVersion = 6;
    version->dwMinorVersion = 1;
    version->dwBuildNumber = 7601;
    version->dwPlatformId = Kernel.PlatformId;
    version->szCSDVersion[0] = '\0';
    return TRUE;
}

uintptr_t _beginthread(void (*start)(void*), unsigned, void* argument) {
    if (Kernel.FailThreads || !start) return (uintptr_t)-1;
    // pthread_create reports a thread that cannot start (none can in a page
    // without threads) by its result, where std::thread would throw.
    auto* begun = new ThreadStart{start, argument};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, RunThread, begun) != 0) {
        delete begun;
        return (uintptr_t)-1;
    }
    pthread_detach(thread);
    return 1;
}

// Only the password verifier a test installs can be loaded.
HMODULE LoadLibraryA(LPCSTR name) {
    if (name && strcasecmp(name, "PASSWORD.CPL") == 0 && Kernel.PasswordVerifier)
        return reinterpret_cast<HMODULE>(&LibraryToken);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == reinterpret_cast<HMODULE>(&LibraryToken) && name && strcmp(name, "VerifyScreenSavePwd") == 0)
        return reinterpret_cast<FARPROC>(Kernel.PasswordVerifier);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) { return module == reinterpret_cast<HMODULE>(&LibraryToken); }

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD, REGSAM, HKEY* result) {
    if (key != HKEY_CURRENT_USER || !subkey || strcasecmp(subkey, "Control Panel\\Desktop") != 0 ||
        !Kernel.HasPasswordValue)
        return ERROR_FILE_NOT_FOUND;
    *result = kDesktopKey;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (key != kDesktopKey || !name || strcasecmp(name, "ScreenSaveUsePassword") != 0) return ERROR_FILE_NOT_FOUND;
    if (type) *type = REG_DWORD;
    if (!data || !size || *size < sizeof(DWORD)) return ERROR_MORE_DATA;
    memcpy(data, &Kernel.UsePasswordValue, sizeof(DWORD));
    *size = sizeof(DWORD);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY) { return ERROR_SUCCESS; }
