// Win32 paths to the host's paths: backslashes become slashes.
#ifndef VELMORA_NATIVE_PATHS_H
#define VELMORA_NATIVE_PATHS_H

#include <string>

std::string NativePath(const char* path);

#endif
