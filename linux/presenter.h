// Shows the native platform's in-memory display in an SDL window: a window of
// its own, the whole screen, or an X window of another program. Copies only
// what changed, at most once a display frame, and turns the user's input into
// the messages Windows would queue.
#ifndef VELMORA_LINUX_PRESENTER_H
#define VELMORA_LINUX_PRESENTER_H

#include "platform/win32.h"
#include "platform/native/display_host.h"

#include <string>
#include <vector>

enum class PresenterPlace { Window, FullScreen, ForeignWindow };

// False: problem says why (no display, no such window, ...); an empty problem
// means another program's window went before it could be shown on: nothing to do.
bool OpenPresenter(PresenterPlace place, int width, int height, unsigned long foreign_window, std::string& problem);
void ClosePresenter();

// The monitors the display should have now, in screen coordinates (the
// primary first, at (0, 0)): those of a full screen over several, else one,
// of the presenter's size.
std::vector<RECT> PresenterMonitors();
// The refresh rate the display should have now.
int PresenterRefreshHz();

// Why the window could not be drawn into (an X error about it, the window
// still there); empty when nothing went wrong. Read before ClosePresenter.
const std::string& PresenterFailure();

// The cursor's place on the screen, from the system: what the saver reads
// when its window is made, and after each move.
void TakeSystemCursor();

// Starts showing a new display of the presenter's size. Input goes to
// input_target (null: to no window, as when another program owns the window);
// a request to close goes to close_target.
void PresentDisplay(HWND input_target, HWND close_target);

// Where the platform's waiting thread gets its input (the live presenter's pacing).
native_platform::InputSource PresenterInput();

// The window took a new size: true once, with the quit message posted; false
// when the program is to end all the same (a stop signal, the window gone).
bool TakeResize();

// At the next quiet moment, what is shown goes to this file as a PPM picture.
void AskSnapshot(const std::string& path);

#endif
