// Creating and destroying the saver window: settings, palette geometry,
// palette buffers, image memory, display header, effects, the first message.
#include "create_window.h"

#include "display_caps.h"
#include "host_state.h"
#include "index_table.h"
#include "message_loop.h"
#include "messages.h"
#include "saver_state.h"
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

HGLOBAL AllocateImages(int32_t count) {
    uint64_t bytes = (uint64_t)SaverState.RowBytes * (uint64_t)SaverState.ImageHeight * (uint64_t)count;
    if (bytes == 0 || bytes > (uint64_t)(SIZE_T)-1 / 2) return nullptr;
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
}

// Returns false after showing the message of the failure.
bool MakeImageArea() {
    SaverSettingsRecord& s = SaverSettings;
    const bool three = s.MovingClouds || s.TransformingClouds;
    int32_t count = three ? 3 : 1;
    HGLOBAL block = AllocateImages(count);
    if (!block && three) {
        count = 1;
        block = AllocateImages(1);
        if (block) {
            s.MovingClouds = 0;
            s.TransformingClouds = 0;
            ShowSaverMessage(IDS_NO_MOVING_MEMORY);
        }
    }
    if (!block) {
        ShowSaverMessage(IDS_NO_MEMORY);
        return false;
    }
    SaverState.ImageAreaBlock = block;
    SaverState.ImageArea = static_cast<uint8_t*>(GlobalLock(block));
    if (!SaverState.ImageArea) {
        ShowSaverMessage(IDS_NO_MEMORY);
        ReleaseGlobal(SaverState.ImageArea, SaverState.ImageAreaBlock);
        return false;
    }
    SaverState.BufferCount = count;
    const intptr_t size = (intptr_t)SaverState.RowBytes * SaverState.ImageHeight;
    // Stacked: consecutive buffers share one row, forming one tall picture.
    const intptr_t period = s.MovingClouds ? size - SaverState.RowBytes : size;
    for (int k = 0; k < 4; k++) SaverState.BufferOrigin[k] = SaverState.ImageArea + k * period;
    return true;
}

bool MakeDisplayHeader() {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kDisplayHeaderBytes);
    uint8_t* header = block ? static_cast<uint8_t*>(GlobalLock(block)) : nullptr;
    if (!header) {
        if (block) GlobalFree(block);
        ShowSaverMessage(IDS_NO_BITMAP_MEMORY);
        ReleaseGlobal(SaverState.ImageArea, SaverState.ImageAreaBlock);
        return false;
    }
    SaverState.DisplayHeaderBlock = block;
    SaverState.DisplayHeader = header;
    const uint32_t width = (uint32_t)SaverState.ImageWidth, height = (uint32_t)SaverState.ImageHeight;
    memset(header, 0, kDisplayHeaderBytes);  // colour entries past the palette stay black
    BITMAPINFOHEADER& fields = reinterpret_cast<BITMAPINFO*>(header)->bmiHeader;
    fields.biSize = sizeof(BITMAPINFOHEADER);
    fields.biWidth = (LONG)width;
    fields.biHeight = (LONG)height;  // positive: rows bottom-up
    fields.biPlanes = 1;
    fields.biBitCount = 8;
    fields.biCompression = BI_RGB;
    fields.biSizeImage = (uint32_t)SaverState.RowBytes * height;  // rows padded to four bytes
    if (SaverState.Palette.PaletteDevice)
        WriteIndexTable(header + kHeaderFieldsBytes, SaverState.Palette, SaverSettings.PsycheExtra);
    return true;
}

void MakeEffectList() {
    const SaverSettingsRecord& s = SaverSettings;
    SaverState.EffectCount = 0;
    if (s.MovingClouds) SaverState.EffectList[SaverState.EffectCount++] = kEffectMoving;
    if (s.PsychedelicColors) SaverState.EffectList[SaverState.EffectCount++] = kEffectPsychedelic;
    if (s.TransformingClouds) SaverState.EffectList[SaverState.EffectCount++] = kEffectTransforming;
}

bool IsWindowsNt() {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

bool CreateSaverWindow(HWND window, const CREATESTRUCTA* create) {
    LoadSettings();
    if (SettingsFilePlace == SettingsPlace::NamedTooLong) ShowSaverMessage(IDS_SETTINGS_FOLDER_TOO_LONG);
    SYSTEMTIME now;
    GetSystemTime(&now);
    SeedRandom(now.wMilliseconds);

    SaverState.ImageWidth = create && create->cx > 0 ? create->cx : 1;
    SaverState.ImageHeight = create && create->cy > 0 ? create->cy : 1;
    SaverState.RowBytes = RowBytesOf(SaverState.ImageWidth);
    SaverState.ClientRect = {0, 0, SaverState.ImageWidth, SaverState.ImageHeight};
    uint8_t* scale = PaletteChooser.ChannelScale;
    scale[0] = scale[1] = scale[2] = 255;

    int32_t size = QueryPaletteSize(window);
    if (size <= 0) {
        ShowSaverMessage(IDS_NO_PALETTE_DEVICE);
        return false;
    }
    if (size > kMaxPaletteSize) size = kMaxPaletteSize;
    SaverState.Palette = MakePaletteGeometry(size, QueryPaletteDevice(window) != 0);

    SaverState.DisplayPalette = AllocatePalette(size, SaverState.DisplayPaletteBlock);
    if (!SaverState.DisplayPalette) {
        ShowSaverMessage(IDS_NO_PALETTE_MEMORY);
        return false;
    }
    SaverState.FeedPalette = AllocatePalette(size, SaverState.FeedPaletteBlock);
    if (!SaverState.FeedPalette) SaverSettings.ContColorChange = 0;

    if (!MakeImageArea() || !MakeDisplayHeader()) return false;
    MakeWorkerBuffer();
    Transition.RefreshRate = QueryRefreshRate(window);
    MakeEffectList();
    SaverState.ImageReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    PostMessageA(window, SSM_NEWIMAGE, 0, 0);

    // The display settings' small preview on NT runs no effect. Only that
    // preview: a small full-screen window or recording is not it.
    if (Host.Preview && IsWindowsNt() && SaverState.ImageWidth <= 250 && SaverState.ImageHeight <= 250) {
        SaverState.EffectCount = 0;
        SaverSettings.MovingClouds = 0;
        SaverSettings.PsychedelicColors = 0;
        SaverSettings.TransformingClouds = 0;
    }
    return true;
}

void DestroySaverWindow(HWND window) {
    CancelPacedMessage();
    EndWorker();  // before anything it could touch is released
    if (SaverState.PaletteObject) DeleteObject(SaverState.PaletteObject);
    SaverState.PaletteObject = nullptr;
    ReleasePalette(SaverState.DisplayPalette, SaverState.DisplayPaletteBlock);
    ReleasePalette(SaverState.FeedPalette, SaverState.FeedPaletteBlock);
    ReleaseGlobal(SaverState.ImageArea, SaverState.ImageAreaBlock);
    ReleaseGlobal(SaverState.DisplayHeader, SaverState.DisplayHeaderBlock);
    SaverState.ShownImage = nullptr;
    if (SaverState.TimerArmed) KillTimer(window, kImageTimer);
    SaverState.TimerArmed = 0;
    if (SaverState.ImageReady) CloseHandle(SaverState.ImageReady);
    SaverState.ImageReady = nullptr;
}
