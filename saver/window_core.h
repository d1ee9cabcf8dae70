// The saver window's procedure and the operations its handlers share.
#ifndef VELMORA_WINDOW_CORE_H
#define VELMORA_WINDOW_CORE_H

#include "platform/win32.h"

#include <cstdint>

VELMORA_EXPORT LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void PumpMessages();
void ShowSaverMessage(UINT string_id);
int32_t QueryPaletteSize(HWND window);
uint8_t QueryPaletteDevice(HWND window);
void FillImage(uint8_t* first, uint8_t* last);

// Window creation and destruction (the WM_CREATE and WM_DESTROY steps).
bool CreateSaverWindow(HWND window, const CREATESTRUCTA* create);
void DestroySaverWindow(HWND window);

// The image cycle's messages; true when the message was one of them.
bool HandleImageCycle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Milliseconds for a number of seconds from the settings, clamped to what a timer accepts.
uint32_t SecondsToMilliseconds(int64_t seconds);

#endif
