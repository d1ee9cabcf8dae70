// ScreenSaverProc: every message of the saver window that the host passes on,
// each handed to the module that owns it.
#include "window_core.h"

#include "clock.h"
#include "color_cycle.h"
#include "create_window.h"
#include "host.h"
#include "image_cycle.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_state.h"
#include "transitions.h"

namespace {

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (SaverState.PaletteObject) {
        SelectPalette(dc, SaverState.PaletteObject, FALSE);
        RealizePalette(dc);
    }
    SetMapMode(dc, MM_TEXT);
    if (SaverState.SkipFirstPaint) {
        SaverState.SkipFirstPaint = false;
    } else if (SaverState.ShownImage && SaverState.DisplayHeader) {
        SetDIBitsToDevice(dc, 0, 0, (DWORD)SaverState.ImageWidth, (DWORD)SaverState.ImageHeight, 0, 0, 0,
                          (UINT)SaverState.ImageHeight, SaverState.ShownImage,
                          reinterpret_cast<const BITMAPINFO*>(SaverState.DisplayHeader),
                          SaverState.Palette.PaletteDevice ? DIB_PAL_COLORS : DIB_RGB_COLORS);
    }
    EndPaint(window, &paint);
}

}  // namespace

VELMORA_EXPORT LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    AbortRequested = false;
    switch (message) {
        case WM_CREATE:
            if (!CreateSaverWindow(window, reinterpret_cast<const CREATESTRUCTA*>(lparam))) return -1;
            break;
        case WM_DESTROY:
            DestroySaverWindow(window);
            break;
        case WM_PAINT:
            Paint(window);
            break;
        case WM_ERASEBKGND:
            return 0;
        case WM_CLOSE: {
            LRESULT result = ScreenSaverDefaultProc(window, message, wparam, lparam);
            // The host refused to close (password): the piece of work that
            // stopped for this close goes on, or it would stand still for good.
            if (IsWindow(window) && StoppedWork.Message) {
                PostMessageAt(window, StoppedWork.Message, StoppedWork.WParam, StoppedWork.LParam,
                              PacingTime());
                NoteStopped(0, 0, 0);
            }
            return result;
        }
        // The image cycle
        case SSM_NEWIMAGE:
            NewImage(window);
            break;
        case SSM_CLEARSCREEN:
            ClearScreen(window);
            break;
        case SSM_CHOOSEPALETTE:
            ChooseImagePalette();
            break;
        case SSM_SETPALETTE:
            SetPalette();
            break;
        case SSM_DRAWIMAGE:
            DrawImage(window);
            break;
        case SSM_IMAGEDONE:
            ImageDone(window);
            break;
        case WM_TIMER:
            ImageTimer(window);
            break;
        // Colour cycling
        case SSM_CYCLESTEP:
            ColorCycleStep(window, (uint32_t)wparam);
            break;
        // The transitions
        case SSM_NEXTTRANSITION:
            NextTransition(window);
            break;
        case SSM_MOVESTEP:
            MoveStep(window, lparam);
            break;
        case SSM_TRANSFORMSTEP:
            TransformStep(window, lparam);
            break;
        default:
            break;
    }
    return ScreenSaverDefaultProc(window, message, wparam, lparam);
}
