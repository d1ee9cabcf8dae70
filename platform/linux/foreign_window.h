// Another program's X window, checked before SDL is given it: SDL stops the
// process on an X error, and a wrong id must give a message instead.
#ifndef VELMORA_LINUX_FOREIGN_WINDOW_H
#define VELMORA_LINUX_FOREIGN_WINDOW_H

#include <string>

// id 0 stands for the screen's root window and becomes its id. False: problem says why.
bool ResolveForeignWindow(unsigned long& id, std::string& problem);

#endif
