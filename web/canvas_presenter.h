// Shows the native platform's display in the page's canvas: copies what
// changed at most once per animation frame, turns the page's input into the
// messages Windows would queue, and notices a new page size and a change made
// in the settings panel, either of which ends the saver window's loop.
#ifndef VELMORA_WEB_CANVAS_PRESENTER_H
#define VELMORA_WEB_CANVAS_PRESENTER_H

#include "page_bridge.h"

#include "platform/win32.h"
#include "platform/native/display_host.h"

#include <utility>
#include <vector>

// A new, black display of the page's size now, with the panel's preview
// area beside its screen; the size is returned.
PageSize OpenCanvasDisplay();

// Where the settings panel's preview shows, in screen coordinates (empty: nowhere).
RECT PreviewArea();

// The preview the panel asks for: shown or not, with the values being
// edited over the user's settings (option index, value), oldest first.
struct PreviewRequest {
    bool Shown = false;
    std::vector<std::pair<int32_t, int32_t>> Edits;
};
// True once after the panel was shown or hidden, a value was edited, or a
// new display was opened; the request as it stands then.
bool TakePreviewRequest(PreviewRequest& request);

// A picture the user asked to save, at this size (0: the canvas's).
struct PictureRequest {
    bool Asked = false;
    int32_t Width = 0, Height = 0;
};
bool TakePictureRequest(PictureRequest& request);

// Input goes to input_target (null: to no window, as when the page, not the
// saver, has the user's attention), a close to close_target; the whole display
// is shown afresh.
void PresentDisplay(HWND input_target, HWND close_target);

// Where the platform's waiting thread gets its input.
native_platform::InputSource CanvasInput();

// True once after the page took a new size or the panel changed a setting
// (the quit message was posted then).
bool TakeRestart();
// The panel's changes since the last call, oldest first: (option index, value).
std::vector<std::pair<int32_t, int32_t>> TakeSettingChanges();

// Waits up to ms for the page to take a new size (after leaving full screen).
void WaitForNewSize(uint32_t ms);

#endif
