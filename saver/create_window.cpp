// Creating and destroying the saver window: settings, palette geometry,
// palette buffers, image memory, display header, effects, the first message.
#include "create_window.h"

#include "display_caps.h"
#include "index_table.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_record.h"
#include "transition_buffers.h"
#include "transitions.h"

#include "config/saver_message.h"
#include "config/settings.h"
#include "resource_ids.h"
#include "synth/random.h"

#include <cstring>

namespace {

LOGPALETTE* AllocatePalette(int32_t size, HLOCAL& block) {
    block = LocalAlloc(LMEM_MOVEABLE, (SIZE_T)size * 4 + 8);
    LOGPALETTE* palette = block ? static_cast<LOGPALETTE*>(LocalLock(block)) : nullptr;
    if (!palette) {
        if (block) LocalFree(block);
        block = nullptr;
        return nullptr;
    }
    palette->palVersion = 0x300;
    palette->palNumEntries = (WORD)size;
    return palette;
}

void ReleasePalette(LOGPALETTE*& palette, HLOCAL& block) {
    if (!block) return;
    LocalUnlock(block);
    LocalFree(block);
    block = nullptr;
    palette = nullptr;
}

void ReleaseGlobal(uint8_t*& pointer, HGLOBAL& block) {
    if (!block) return;
    if (pointer) GlobalUnlock(block);
    GlobalFree(block);
    block = nullptr;
    pointer = nullptr;
}

HGLOBAL AllocateImages(const SaverStateRecord& state, int32_t count) {
    uint64_t bytes = (uint64_t)state.RowBytes * (uint64_t)state.ImageHeight * (uint64_t)count;
    if (bytes == 0 || bytes > (uint64_t)(SIZE_T)-1 / 2) return nullptr;
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
}

// Returns false after showing the message of the failure.
bool MakeImageArea(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    EffectSwitchesRecord& effects = saver.Effects;
    const bool three = effects.MovingClouds || effects.TransformingClouds;
    int32_t count = three ? 3 : 1;
    HGLOBAL block = AllocateImages(state, count);
    if (!block && three) {
        count = 1;
        block = AllocateImages(state, 1);
        if (block) {
            effects.MovingClouds = 0;
            effects.TransformingClouds = 0;
            ShowSaverMessage(IDS_NO_MOVING_MEMORY);
        }
    }
    if (!block) {
        ShowSaverMessage(IDS_NO_MEMORY);
        return false;
    }
    state.ImageAreaBlock = block;
    state.ImageArea = static_cast<uint8_t*>(GlobalLock(block));
    if (!state.ImageArea) {
        ShowSaverMessage(IDS_NO_MEMORY);
        ReleaseGlobal(state.ImageArea, state.ImageAreaBlock);
        return false;
    }
    LayOutImageArea(saver, state.ImageArea, count);
    return true;
}

bool MakeDisplayHeader(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kDisplayHeaderBytes);
    uint8_t* header = block ? static_cast<uint8_t*>(GlobalLock(block)) : nullptr;
    if (!header) {
        if (block) GlobalFree(block);
        ShowSaverMessage(IDS_NO_BITMAP_MEMORY);
        ReleaseGlobal(state.ImageArea, state.ImageAreaBlock);
        return false;
    }
    state.DisplayHeaderBlock = block;
    state.DisplayHeader = header;
    const uint32_t width = (uint32_t)state.ImageWidth, height = (uint32_t)state.ImageHeight;
    memset(header, 0, kDisplayHeaderBytes);  // colour entries past the palette stay black
    BITMAPINFOHEADER& fields = reinterpret_cast<BITMAPINFO*>(header)->bmiHeader;
    fields.biSize = sizeof(BITMAPINFOHEADER);
    fields.biWidth = (LONG)width;
    fields.biHeight = (LONG)height;  // positive: rows bottom-up
    fields.biPlanes = 1;
    fields.biBitCount = 8;
    fields.biCompression = BI_RGB;
    fields.biSizeImage = (uint32_t)state.RowBytes * height;  // rows padded to four bytes
    if (state.Palette.PaletteDevice)
        WriteIndexTable(header + kHeaderFieldsBytes, state.Palette, saver.Settings.SaverSettings.PsycheExtra);
    return true;
}

void MakeEffectList(SaverRecord& saver) {
    const EffectSwitchesRecord& e = saver.Effects;
    SaverStateRecord& state = saver.SaverState;
    state.EffectCount = 0;
    if (e.MovingClouds) state.EffectList[state.EffectCount++] = kEffectMoving;
    if (e.PsychedelicColors) state.EffectList[state.EffectCount++] = kEffectPsychedelic;
    if (e.TransformingClouds) state.EffectList[state.EffectCount++] = kEffectTransforming;
}
bool IsWindowsNt() {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

bool CreateSaverWindow(SaverRecord& saver, const CREATESTRUCTA* create) {
    const LoadedSettings loaded = LoadSettings(saver.Source);
    saver.Settings = loaded.Settings;
    saver.SettingsPlace = loaded.Place;
    if (saver.SettingsPlace.SettingsFilePlace == SettingsPlace::NamedTooLong)
        ShowSaverMessage(IDS_SETTINGS_FOLDER_TOO_LONG);
    StartPictureSequence(saver);
    SYSTEMTIME now;
    GetSystemTime(&now);
    SeedRandom(saver.Random, now.wMilliseconds);

    SaverStateRecord& state = saver.SaverState;
    HWND window = saver.Window;
    state.ImageWidth = create && create->cx > 0 ? create->cx : 1;
    state.ImageHeight = create && create->cy > 0 ? create->cy : 1;
    state.RowBytes = RowBytesOf(state.ImageWidth);
    state.ClientRect = {0, 0, state.ImageWidth, state.ImageHeight};

    int32_t size = QueryPaletteSize(window);
    if (size <= 0) {
        ShowSaverMessage(IDS_NO_PALETTE_DEVICE);
        return false;
    }
    if (size > kMaxPaletteSize) size = kMaxPaletteSize;
    state.Palette = MakePaletteGeometry(size, QueryPaletteDevice(window) != 0);

    state.DisplayPalette = AllocatePalette(size, state.DisplayPaletteBlock);
    if (!state.DisplayPalette) {
        ShowSaverMessage(IDS_NO_PALETTE_MEMORY);
        return false;
    }
    state.FeedPalette = AllocatePalette(size, state.FeedPaletteBlock);
    if (!state.FeedPalette) saver.Effects.ContColorChange = 0;

    if (!MakeImageArea(saver) || !MakeDisplayHeader(saver)) return false;
    MakeWorkerBuffer(saver);
    saver.Transition.RefreshRate = QueryRefreshRate(window);
    MakeEffectList(saver);
    state.ImageReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    PostMessageA(window, SSM_NEWIMAGE, 0, 0);

    // The display settings' small preview on NT runs no effect. Only that
    // preview: a small full-screen window or recording is not it.
    if (saver.Host.Preview && IsWindowsNt() && state.ImageWidth <= 250 && state.ImageHeight <= 250) {
        state.EffectCount = 0;
        saver.Effects.MovingClouds = 0;
        saver.Effects.PsychedelicColors = 0;
        saver.Effects.TransformingClouds = 0;
    }
    return true;
}

void DestroySaverWindow(SaverRecord& saver) {
    SaverStateRecord& state = saver.SaverState;
    CancelPacedMessage(saver.PacedMessage);
    EndWorker(saver);  // before anything it could touch is released
    if (state.PaletteObject) DeleteObject(state.PaletteObject);
    state.PaletteObject = nullptr;
    ReleasePalette(state.DisplayPalette, state.DisplayPaletteBlock);
    ReleasePalette(state.FeedPalette, state.FeedPaletteBlock);
    ReleaseGlobal(state.ImageArea, state.ImageAreaBlock);
    ReleaseGlobal(state.DisplayHeader, state.DisplayHeaderBlock);
    state.ShownImage = nullptr;
    if (state.TimerArmed) KillTimer(saver.Window, kImageTimer);
    state.TimerArmed = 0;
    if (state.ImageReady) CloseHandle(state.ImageReady);
    state.ImageReady = nullptr;
}
