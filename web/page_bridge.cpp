#include "page_bridge.h"

#include <emscripten.h>

#include <cstdlib>

// The page's side of each call is in page/page.js (VelmoraPage).

EM_JS(void, page_size, (int32_t* out), {
    const s = VelmoraPage.size();
    HEAP32[out >> 2] = s.width;
    HEAP32[(out >> 2) + 1] = s.height;
    HEAP32[(out >> 2) + 2] = s.fullScreen ? 1 : 0;
    HEAP32[(out >> 2) + 3] = s.previewWidth;
    HEAP32[(out >> 2) + 4] = s.previewHeight;
});

EM_JS(void, tell_event_kinds,
      (int move, int button, int key, int resize, int setting, int preview, int preview_setting, int save), {
          VelmoraPage.useEventKinds({pointerMove: move, buttonDown: button, keyDown: key, resize: resize,
                                     settingChange: setting, preview: preview, previewSetting: preview_setting,
                                     savePicture: save});
      });

EM_JS(int, take_page_events, (int32_t* out, int max), {
    return VelmoraPage.takeEvents(HEAP32, out >> 2, max);
});

EM_ASYNC_JS(int, wait_for_page, (uint32_t ms, int want_frame), {
    return await VelmoraPage.wait(ms, want_frame != 0);
});

EM_JS(void, put_pixels, (const uint32_t* rgba, int32_t width, int32_t x, int32_t y, int32_t w, int32_t h), {
    VelmoraPage.putPixels(HEAPU8.buffer, rgba, width, x, y, w, h);
});

EM_JS(void, put_preview_pixels,
      (const uint32_t* rgba, int32_t width, int32_t left, int32_t x, int32_t y, int32_t w, int32_t h), {
          VelmoraPage.putPreviewPixels(HEAPU8.buffer, rgba, width, left, x, y, w, h);
      });

EM_JS(void, offer_picture,
      (const uint8_t* indices, int32_t width, int32_t height, const uint8_t* colors, const char* name), {
          VelmoraPage.offerPicture(HEAPU8.slice(indices, indices + width * height), width, height,
                                   HEAPU8.slice(colors, colors + 768), UTF8ToString(name));
      });

EM_JS(void, note_display_change, (), { VelmoraPage.displayChanged(); });
EM_JS(void, note_start, (int takes_input), { VelmoraPage.started(takes_input != 0); });
EM_JS(void, leave_full_screen, (), { VelmoraPage.leaveFullScreen(); });
EM_JS(void, show_cursor, (int shown), { VelmoraPage.showCursor(shown != 0); });

// Strings come back in memory from malloc, which the caller frees.
EM_JS(char*, stored_text, (const char* key), {
    const text = VelmoraPage.storedText(UTF8ToString(key));
    const bytes = lengthBytesUTF8(text) + 1;
    const copy = _malloc(bytes);
    stringToUTF8(text, copy, bytes);
    return copy;
});

EM_JS(void, store_text, (const char* key, const char* text), {
    VelmoraPage.storeText(UTF8ToString(key), UTF8ToString(text));
});

EM_JS(void, show_settings, (const char* json), { VelmoraPage.showSettings(JSON.parse(UTF8ToString(json))); });
EM_JS(void, show_address, (const char* query), { VelmoraPage.showAddress(UTF8ToString(query)); });
EM_JS(void, show_notice, (const char* text), { VelmoraPage.showNotice(UTF8ToString(text)); });

void TellEventKinds() {
    tell_event_kinds((int)PageEventKind::PointerMove, (int)PageEventKind::ButtonDown, (int)PageEventKind::KeyDown,
                     (int)PageEventKind::Resize, (int)PageEventKind::SettingChange, (int)PageEventKind::Preview,
                     (int)PageEventKind::PreviewSetting, (int)PageEventKind::SavePicture);
}

PageSize PageSizeNow() {
    int32_t s[5];
    page_size(s);
    return {s[0], s[1], s[2] != 0, s[3], s[4]};
}

int TakePageEvents(PageEvent* out, int max) {
    static_assert(sizeof(PageEvent) == 4 * sizeof(int32_t), "the page writes four numbers an event");
    return take_page_events(reinterpret_cast<int32_t*>(out), max);
}

bool WaitForPage(uint32_t ms, bool want_frame) { return wait_for_page(ms, want_frame ? 1 : 0) != 0; }

void PutPixels(const uint32_t* rgba, int32_t width, int32_t x, int32_t y, int32_t w, int32_t h) {
    put_pixels(rgba, width, x, y, w, h);
}

void PutPreviewPixels(const uint32_t* rgba, int32_t width, int32_t left, int32_t x, int32_t y, int32_t w, int32_t h) {
    put_preview_pixels(rgba, width, left, x, y, w, h);
}

void OfferPicture(const uint8_t* indices, int32_t width, int32_t height, const uint8_t* colors,
                  const std::string& name) {
    offer_picture(indices, width, height, colors, name.c_str());
}

void NoteDisplayChange() { note_display_change(); }
void NoteStart(bool takes_input) { note_start(takes_input ? 1 : 0); }
void LeaveFullScreen() { leave_full_screen(); }
void ShowCursor(bool shown) { show_cursor(shown ? 1 : 0); }

std::string StoredText(const std::string& key) {
    char* text = stored_text(key.c_str());
    std::string copy = text ? text : "";
    free(text);
    return copy;
}

void StoreText(const std::string& key, const std::string& text) { store_text(key.c_str(), text.c_str()); }
void ShowSettings(const std::string& json) { show_settings(json.c_str()); }
void ShowAddress(const std::string& query) { show_address(query.c_str()); }
void ShowNotice(const std::string& text) { show_notice(text.c_str()); }
