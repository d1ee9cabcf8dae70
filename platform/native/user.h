// Window manager operations for native builds: window classes and windows,
// a per-thread message queue retrieved in the Win32 order, timers, painting
// clipped to the update region, input, message boxes.
#ifndef VELMORA_NATIVE_USER_H
#define VELMORA_NATIVE_USER_H

#include "types.h"

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_KEYDOWN 0x0100
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_RBUTTONDOWN 0x0204
#define WM_MBUTTONDOWN 0x0207

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002
#define QS_ALLINPUT 0x04FF

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020

#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_EX_TOPMOST 0x00000008L

#define SC_CLOSE 0xF060
#define SC_SCREENSAVE 0xF140
#define SC_NEXTWINDOW 0xF040
#define SC_PREVWINDOW 0xF050

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80

#define SPI_SCREENSAVERRUNNING 97

#define GWLP_USERDATA (-21)


#define MB_ICONWARNING 0x00000030L
#define IDOK 1

ATOM RegisterClassA(const WNDCLASSA* window_class);
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND GetParent(HWND window);
HWND FindWindowA(LPCSTR class_name, LPCSTR title);
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
BOOL GetClientRect(HWND window, RECT* rect);
// GWLP_USERDATA only: a value the window's owner keeps with it, 0 until set.
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);  // the value before
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
BOOL GetMessageA(MSG* msg, HWND window, UINT first, UINT last);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int code);
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds, DWORD wake_mask);

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback);
BOOL KillTimer(HWND window, UINT_PTR id);

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

int GetSystemMetrics(int index);
HCURSOR SetCursor(HCURSOR cursor);
BOOL GetCursorPos(POINT* point);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
BOOL SystemParametersInfoA(UINT action, UINT uparam, LPVOID pvparam, UINT winini);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL MessageBeep(UINT type);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL IsRectEmpty(const RECT* rect);
BOOL UnionRect(RECT* united, const RECT* a, const RECT* b);

#endif
