// ScreenSaverProc: every message of the saver window that the host passes on,
// each handed to the module that owns it with the saver's record.
#include "window_core.h"

#include "clock.h"
#include "color_cycle.h"
#include "create_window.h"
#include "host.h"
#include "image_cycle.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_record.h"
#include "transitions.h"

namespace {

void Paint(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(saver.Window, &paint);
    if (state.PaletteObject) {
        SelectPalette(dc, state.PaletteObject, FALSE);
        RealizePalette(dc);
    }
    SetMapMode(dc, MM_TEXT);
    if (state.SkipFirstPaint) {
        state.SkipFirstPaint = false;
    } else if (state.ShownImage && state.DisplayHeader) {
        SetDIBitsToDevice(dc, 0, 0, (DWORD)state.ImageWidth, (DWORD)state.ImageHeight, 0, 0, 0,
                          (UINT)state.ImageHeight, state.ShownImage,
                          reinterpret_cast<const BITMAPINFO*>(state.DisplayHeader),
                          state.Palette.PaletteDevice ? DIB_PAL_COLORS : DIB_RGB_COLORS);
    }
    EndPaint(saver.Window, &paint);
}

// The host refused to close (password): the piece of work that stopped for
// this close goes on, or it would stand still for good.
void ResumeStoppedWork(HWND window) {
    SaverRecord* saver = IsWindow(window) ? SaverOf(window) : nullptr;
    if (!saver || !saver->StoppedWork.Message) return;
    const StoppedWorkRecord stopped = saver->StoppedWork;
    NoteStopped(*saver, 0, 0, 0);
    PostMessageAt(saver->PacedMessage, window, stopped.Message, stopped.WParam, stopped.LParam, PacingTime());
}

}  // namespace

VELMORA_EXPORT LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    SaverRecord* found = SaverOf(window);
    if (!found) return ScreenSaverDefaultProc(window, message, wparam, lparam);
    SaverRecord& saver = *found;
    saver.AbortRequested = false;
    switch (message) {
        case WM_CREATE:
            if (!CreateSaverWindow(saver, reinterpret_cast<const CREATESTRUCTA*>(lparam))) return -1;
            break;
        case WM_DESTROY:
            DestroySaverWindow(saver);
            break;
        case WM_PAINT:
            Paint(saver);
            break;
        case WM_ERASEBKGND:
            return 0;
        case WM_CLOSE: {
            // The window (and with it the record) may be gone when this returns.
            const LRESULT result = ScreenSaverDefaultProc(window, message, wparam, lparam);
            ResumeStoppedWork(window);
            return result;
        }
        // The image cycle
        case SSM_NEWIMAGE:
            NewImage(saver);
            break;
        case SSM_CLEARSCREEN:
            ClearScreen(saver);
            break;
        case SSM_CHOOSEPALETTE:
            ChooseImagePalette(saver);
            break;
        case SSM_SETPALETTE:
            SetPalette(saver);
            break;
        case SSM_DRAWIMAGE:
            DrawImage(saver);
            break;
        case SSM_IMAGEDONE:
            ImageDone(saver);
            break;
        case WM_TIMER:
            ImageTimer(saver);
            break;
        // Colour cycling
        case SSM_CYCLESTEP:
            ColorCycleStep(saver, (uint32_t)wparam);
            break;
        // The transitions
        case SSM_NEXTTRANSITION:
            NextTransition(saver);
            break;
        case SSM_MOVESTEP:
            MoveStep(saver, lparam);
            break;
        case SSM_TRANSFORMSTEP:
            TransformStep(saver, lparam);
            break;
        default:
            break;
    }
    return ScreenSaverDefaultProc(window, message, wparam, lparam);
}
