// Copying the saver module from the medium into the Windows directory.
#ifndef VELMORA_COPY_SAVER_H
#define VELMORA_COPY_SAVER_H

enum class CopyResult { Done, Interrupted, Failed };

// directory ends with a backslash. A failure has shown its message; an
// interruption (the user keeps a present saver) has shown nothing yet.
CopyResult CopySaver(const char* directory);

#endif
