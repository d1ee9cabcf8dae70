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
std::atomic<uint32_t> tick_count{0};
uint64_t calendar_base_ms = kCalendarStart;

namespace {

struct Block {
    std::unique_ptr<uint8_t[]> data;
    size_t bytes;
    bool global;
    int locks = 0;
};

struct Event {
    std::mutex mutex;
    std::condition_variable signalled_changed;
    bool signalled;
    bool manual_reset;
};

struct KernelState {
    std::vector<std::unique_ptr<Block>> blocks;  // live blocks
    std::vector<std::unique_ptr<Event>> events;  // live events
    int bad_releases = 0;
    std::function<bool(bool, size_t)> fail_allocation;
    bool fail_locks = false;
    DWORD platform_id = VER_PLATFORM_WIN32_NT;
    DWORD use_password_value = 0;
    bool has_password_value = false;
    BOOL (*password_verifier)(HWND) = nullptr;
    bool fail_threads = false;
    std::function<void(const uint8_t*, size_t)> release_observer;
};

KernelState kernel;

struct ClockState {
    bool real = false;
    InputSource source;
    bool coarse = false;  // the test clock interrupts every 15.625 ms
    int raised = 0;       // timeBeginPeriod(1) calls not yet given back
    int begins = 0, ends = 0;
    // A calendar set on the real clock gives the time set at its next reading
    // and runs on from that reading with the steady clock: a program that sets
    // it before a window is made reads exactly that, however long the making takes.
    bool calendar_set = false;
    bool calendar_read = false;
    uint64_t calendar_at_set = 0;
    std::chrono::steady_clock::time_point set_at;
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

ClockState clock_state;

uint64_t CalendarMilliseconds() {
    if (!clock_state.real) return calendar_base_ms + tick_count;
    if (clock_state.calendar_set && !clock_state.calendar_read) {
        clock_state.calendar_read = true;
        clock_state.set_at = std::chrono::steady_clock::now();
    }
    if (clock_state.calendar_set)
        return clock_state.calendar_at_set + (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - clock_state.set_at)
                                                 .count();
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
struct ThreadStart {
    void (*start)(void*);
    void* argument;
};

void* RunThread(void* begun) {
    const ThreadStart what = *static_cast<ThreadStart*>(begun);
    delete static_cast<ThreadStart*>(begun);
    what.start(what.argument);
    return nullptr;
}

int library_token;  // the address of this stands for the loaded "PASSWORD.CPL"
int desktop_key_token;  // and of this for the key "Control Panel\Desktop"
const HKEY kDesktopKey = reinterpret_cast<HKEY>(&desktop_key_token);

HANDLE Allocate(bool global, UINT flags, SIZE_T bytes) {
    if (kernel.fail_allocation && kernel.fail_allocation(global, bytes)) return nullptr;
    auto block = std::make_unique<Block>();
    block->data.reset(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
    if (!block->data) return nullptr;
    if (flags & GMEM_ZEROINIT) memset(block->data.get(), 0, bytes ? bytes : 1);
    block->bytes = bytes;
    block->global = global;
    kernel.blocks.push_back(std::move(block));
    return kernel.blocks.back().get();
}

Block* FindBlock(HANDLE handle) {
    for (auto& b : kernel.blocks)
        if (b.get() == handle) return b.get();
    return nullptr;
}

LPVOID Lock(HANDLE handle) {
    Block* block = FindBlock(handle);
    if (!block || kernel.fail_locks) return nullptr;
    block->locks++;
    return block->data.get();
}

BOOL Unlock(HANDLE handle) {
    Block* block = FindBlock(handle);
    if (!block || block->locks == 0) return FALSE;
    return --block->locks > 0;
}

// Forgets the live object; counts a release of one that is not live.
template <typename T>
bool ReleaseLive(std::vector<std::unique_ptr<T>>& live, HANDLE handle) {
    auto it = std::find_if(live.begin(), live.end(), [handle](const auto& p) { return p.get() == handle; });
    if (it == live.end()) {
        kernel.bad_releases++;
        return false;
    }
    live.erase(it);
    return true;
}

HANDLE Release(HANDLE handle) {
    if (kernel.release_observer)
        if (Block* block = FindBlock(handle)) kernel.release_observer(block->data.get(), block->bytes);
    return ReleaseLive(kernel.blocks, handle) ? nullptr : handle;
}

Event* FindEvent(HANDLE handle) {
    for (auto& e : kernel.events)
        if (e.get() == handle) return e.get();
    return nullptr;
}

}  // namespace

void ResetKernel() {
    kernel = KernelState{};
    clock_state = ClockState{};
    tick_count = 0;
    calendar_base_ms = kCalendarStart;
}

uint32_t Ticks() {
    if (!clock_state.real) return clock_state.coarse ? InterruptAtOrBefore(tick_count) : tick_count.load();
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool RealTime() { return clock_state.real; }

void UseRealTime(InputSource source) {
    if (!source.wait || !source.poll) Unimplemented("UseRealTime", "a source without wait and poll");
    clock_state.real = true;
    clock_state.source = std::move(source);
}

void WaitForInput(DWORD milliseconds) { clock_state.source.wait(milliseconds); }
void PollInput() { clock_state.source.poll(); }

void SetTickCount(uint32_t milliseconds) { tick_count = milliseconds; }
void AdvanceClock(uint32_t milliseconds) { tick_count += milliseconds; }

void WaitOnTestClock(uint32_t milliseconds) {
    if (!clock_state.coarse || clock_state.raised > 0) {
        tick_count += milliseconds;
        return;
    }
    tick_count = InterruptAtOrAfter(Ticks() + milliseconds);
}

void UseCoarseClock(bool on) { clock_state.coarse = on; }
uint32_t ExactTime() { return tick_count; }
TimerPeriodCalls TimerPeriods() { return {clock_state.begins, clock_state.ends}; }
void SetCalendarMilliseconds(uint64_t since_1970) {
    calendar_base_ms = since_1970 - tick_count;
    clock_state.calendar_set = true;
    clock_state.calendar_read = false;
    clock_state.calendar_at_set = since_1970;
}
void FailAllocations(std::function<bool(bool, size_t)> predicate) { kernel.fail_allocation = std::move(predicate); }
void FailLocks(bool fail) { kernel.fail_locks = fail; }
int LiveBlocks() { return (int)kernel.blocks.size(); }
int BadReleases() { return kernel.bad_releases; }
int LiveEvents() { return (int)kernel.events.size(); }
void SetPlatformId(DWORD platform) { kernel.platform_id = platform; }
void FailThreadStarts(bool fail) { kernel.fail_threads = fail; }
void ObserveReleases(std::function<void(const uint8_t* data, size_t bytes)> observer) {
    kernel.release_observer = std::move(observer);
}

void SetPasswordProtection(DWORD use_password, BOOL (*verifier)(HWND)) {
    kernel.has_password_value = true;
    kernel.use_password_value = use_password;
    kernel.password_verifier = verifier;
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
    event->signalled = initial;
    event->manual_reset = manual_reset;
    kernel.events.push_back(std::move(event));
    return kernel.events.back().get();
}

BOOL SetEvent(HANDLE handle) {
    Event* event = FindEvent(handle);
    if (!event) return FALSE;
    std::lock_guard<std::mutex> hold(event->mutex);
    event->signalled = true;
    event->signalled_changed.notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Event* event = FindEvent(handle);
    if (!event) return WAIT_FAILED;
    std::unique_lock<std::mutex> hold(event->mutex);
    auto ready = [event] { return event->signalled; };
    if (milliseconds == INFINITE)
        event->signalled_changed.wait(hold, ready);
    else if (!event->signalled_changed.wait_for(hold, std::chrono::milliseconds(milliseconds), ready))
        return WAIT_TIMEOUT;
    if (!event->manual_reset) event->signalled = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) { return ReleaseLive(kernel.events, handle) ? TRUE : FALSE; }

DWORD GetTickCount() { return Ticks(); }

DWORD timeGetTime() {
    if (!clock_state.real && clock_state.coarse && clock_state.raised > 0) return tick_count.load();
    return Ticks();
}

MMRESULT timeBeginPeriod(UINT period) {
    if (period != 1) Unimplemented("timeBeginPeriod", "a period other than 1 ms");
    clock_state.raised++;
    clock_state.begins++;
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    if (period != 1) Unimplemented("timeEndPeriod", "a period other than 1 ms");
    if (clock_state.raised == 0) return TIMERR_NOCANDO;  // nothing to give back
    clock_state.raised--;
    clock_state.ends++;
    return TIMERR_NOERROR;
}

void Sleep(DWORD milliseconds) {
    if (!clock_state.real)
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
    version->dwPlatformId = kernel.platform_id;
    version->szCSDVersion[0] = '\0';
    return TRUE;
}

uintptr_t _beginthread(void (*start)(void*), unsigned, void* argument) {
    if (kernel.fail_threads || !start) return (uintptr_t)-1;
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
    if (name && strcasecmp(name, "PASSWORD.CPL") == 0 && kernel.password_verifier)
        return reinterpret_cast<HMODULE>(&library_token);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == reinterpret_cast<HMODULE>(&library_token) && name && strcmp(name, "VerifyScreenSavePwd") == 0)
        return reinterpret_cast<FARPROC>(kernel.password_verifier);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) { return module == reinterpret_cast<HMODULE>(&library_token); }

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD, REGSAM, HKEY* result) {
    if (key != HKEY_CURRENT_USER || !subkey || strcasecmp(subkey, "Control Panel\\Desktop") != 0 ||
        !kernel.has_password_value)
        return ERROR_FILE_NOT_FOUND;
    *result = kDesktopKey;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (key != kDesktopKey || !name || strcasecmp(name, "ScreenSaveUsePassword") != 0) return ERROR_FILE_NOT_FOUND;
    if (type) *type = REG_DWORD;
    if (!data || !size || *size < sizeof(DWORD)) return ERROR_MORE_DATA;
    memcpy(data, &kernel.use_password_value, sizeof(DWORD));
    *size = sizeof(DWORD);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY) { return ERROR_SUCCESS; }
