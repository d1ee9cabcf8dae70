// What the display shows, written as a binary PPM picture.
#ifndef VELMORA_LINUX_SNAPSHOT_H
#define VELMORA_LINUX_SNAPSHOT_H

#include <string>

// Written beside under a temporary name and renamed into place, so a reader
// never sees half a picture. False: problem says why.
bool WriteDisplaySnapshot(const std::string& path, std::string& problem);

#endif
