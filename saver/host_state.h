// The host's process-wide state, with its start values.
#ifndef VELMORA_HOST_STATE_H
#define VELMORA_HOST_STATE_H

#include "platform/win32.h"

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND);
typedef HANDLE(WINAPI* AssociateContextProc)(HWND, HANDLE);

struct HostStateRecord {
    bool preview = false;
    bool closing = false;   // the saver may close: paint, input and timers no longer reach it
    bool checking = false;  // the verifier is being asked
    POINT cursor = {0, 0};  // screen position recorded for the mouse threshold
    bool checked_before = false;
    DWORD last_check_end = 0;
    HMODULE verifier_library = nullptr;
    VerifyPasswordProc verify = nullptr;  // null: unprotected
    AssociateContextProc associate = nullptr;
    HANDLE detached_context = nullptr;
};

extern HostStateRecord Host;

#endif
