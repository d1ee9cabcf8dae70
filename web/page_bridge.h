// What the program asks of its web page (page.js): the page's size, its queued
// input, the canvas, the address and the browser's storage. Every call goes
// from the program to the page, never back, so that nothing enters the
// program while a wait has left it.
#ifndef VELMORA_WEB_PAGE_BRIDGE_H
#define VELMORA_WEB_PAGE_BRIDGE_H

#include <cstdint>
#include <string>

// One piece of input, as the page queued it.
enum class PageEventKind : int32_t {
    PointerMove = 1,   // a: x, b: y (canvas pixels)
    ButtonDown = 2,    // a: button (0 left, 1 middle, 2 right), b: x, c: y
    KeyDown = 3,       // a: 1 when Alt is held
    Resize = 4,        // a: width, b: height (canvas pixels), c: 1 in full screen
    SettingChange = 5, // a: index into the setting options, b: the value
    Preview = 6,       // a: 1 when the settings panel and its preview are shown, 0 when hidden
    PreviewSetting = 7, // a: index into the setting options, b: the value being edited
    SavePicture = 8,   // a: width, b: height (pixels; 0: the canvas's)
};

struct PageEvent {
    PageEventKind Kind;
    int32_t A, B, C;
};

struct PageSize {
    int32_t Width, Height;
    bool FullScreen;
    int32_t PreviewWidth, PreviewHeight;  // the settings panel's preview canvas
};

// Tells the page the numbers of the event kinds above; called before any other.
void TellEventKinds();

PageSize PageSizeNow();
// Up to max events, oldest first; the page forgets what it hands over.
int TakePageEvents(PageEvent* out, int max);
// Leaves the program until input comes, ms milliseconds pass, or (when
// want_frame) the browser's next animation frame: true for the frame.
bool WaitForPage(uint32_t ms, bool want_frame);
// Rows y to y + h of an RGBA picture width pixels wide, columns x to x + w,
// into the canvas at the same place.
void PutPixels(const uint32_t* rgba, int32_t width, int32_t x, int32_t y, int32_t w, int32_t h);
// The same into the preview canvas, whose column 0 is column left of the picture.
void PutPreviewPixels(const uint32_t* rgba, int32_t width, int32_t left, int32_t x, int32_t y, int32_t w, int32_t h);
// A picture for the user to save as a PNG file of this name: width x height
// palette indices, top row first, and 256 colours, red, green, blue each.
void OfferPicture(const uint8_t* indices, int32_t width, int32_t height, const uint8_t* colors,
                  const std::string& name);
void NoteDisplayChange();  // counted for the page's statistics
// A saver window started; it takes the user's input (in full screen) or not.
void NoteStart(bool takes_input);
void LeaveFullScreen();
void ShowCursor(bool shown);  // over the canvas

// The settings file's text as the browser keeps it under key ("" when none).
std::string StoredText(const std::string& key);
void StoreText(const std::string& key, const std::string& text);
// The settings panel: what it shows (JSON), and the address that reproduces this start.
void ShowSettings(const std::string& json);
void ShowAddress(const std::string& query);
// Something the user should know (a setting of the address that was not taken).
void ShowNotice(const std::string& text);

#endif
