// What velmora asks of X itself, beside SDL: another program's X window, checked
// before SDL is given it (SDL stops the process on an X error, and a wrong id
// must give a message instead), and our own window taken off the screen.
#ifndef VELMORA_LINUX_FOREIGN_WINDOW_H
#define VELMORA_LINUX_FOREIGN_WINDOW_H

#include <string>

// id 0 stands for the screen's root window and becomes its id. False: problem says why.
bool ResolveForeignWindow(unsigned long& id, std::string& problem);

// From now on X errors about a window or drawable that is gone end nothing:
// the other program may destroy its window (foreign_window; 0: none) at any
// moment, also while SDL takes it over or follows its last new size, and our
// own window goes while requests about it may still be on their way.
void ExpectWindowsToGo(unsigned long foreign_window);
bool ForeignWindowExists(unsigned long id);

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
