// The host's part of a saver's record, with its start values.
#ifndef VELMORA_HOST_STATE_H
#define VELMORA_HOST_STATE_H

#include "platform/win32.h"

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND);
typedef HANDLE(WINAPI* AssociateContextProc)(HWND, HANDLE);

struct HostStateRecord {
    WNDPROC SaverProcedure = nullptr;  // what the saver window gets from the host
    bool Preview = false;
    bool Closing = false;   // the saver may close: paint, input and timers no longer reach it
    bool Checking = false;  // the verifier is being asked
    POINT Cursor = {0, 0};  // screen position recorded for the mouse threshold
    bool CheckedBefore = false;
    DWORD LastCheckEnd = 0;
    HMODULE VerifierLibrary = nullptr;
    VerifyPasswordProc Verify = nullptr;  // null: unprotected
    AssociateContextProc Associate = nullptr;
    HANDLE DetachedContext = nullptr;
};

#endif
