// What velmora asks of X itself, beside SDL: another program's X window, checked
// before SDL is given it (SDL stops the process on an X error, and a wrong id
// must give a message instead), X's errors kept for the presenter to judge, and
// our own window taken off the screen.
#ifndef VELMORA_LINUX_FOREIGN_WINDOW_H
#define VELMORA_LINUX_FOREIGN_WINDOW_H

#include <string>

// What velmora learns of another program's window before it draws there.
enum class ForeignWindowState {
    Usable,     // there, and it can be drawn into; its size is known
    Gone,       // no such window (any more)
    NotDrawable,  // there, but nothing can be drawn in it (an input-only window)
    NoDisplay,  // the X display cannot be reached
};

// Whether the X display of DISPLAY answers.
bool XDisplayReachable();

// id 0 stands for the screen's root window and becomes its id. The size is
// set only for a usable window: a failed query's output is never used.
ForeignWindowState QueryForeignWindow(unsigned long& id, int& width, int& height);

// The user's words for a state other than Usable, naming the window and display.
std::string ForeignWindowProblem(ForeignWindowState state, unsigned long id);

// From now on no X error ends the process: each is kept (the first since it
// was last taken) for the presenter, which knows whether the window it was
// about went (its owner removed it) or cannot be drawn into. Errors about our
// own windows going (foreign_window 0: we made the window) are expected, since
// SDL's second connection may still wake a window while it is destroyed.
void CatchXErrors(unsigned long foreign_window);

struct XFailure {
    int Code = 0;     // X's error code (BadMatch, ...)
    int Request = 0;  // the major opcode of the request that failed
    std::string Text;
};
// The first error kept since the last call; false when none came.
bool TakeXFailure(XFailure& failure);
bool AboutSomethingGone(const XFailure& failure);  // BadWindow, BadDrawable

struct SDL_Window;
struct SDL_SysWMmsg;

// Has the X server tell SDL when the window takes a new size, needs drawing
// again or goes away (SDL asks for none of them on a window it did not make);
// the going comes as a system event.
void WatchForeignWindow(SDL_Window* window);
bool ForeignWindowGone(const SDL_SysWMmsg* message);

// Takes a window of the program's own off the screen at once. SDL leaves full
// screen first and waits up to 100 ms for a window manager to confirm it
// (without one, all of them); a window no longer mapped has nothing to wait for.
void HideOwnWindow(SDL_Window* window);

#endif
