// An output file written without touching anything of the user's: the bytes
// go to a new file beside the destination, made by mkstemp under a name
// nothing else has, which is renamed over the destination only once it is
// whole. A failure removes it and leaves the destination as it was.
#ifndef VELMORA_OUTPUT_PENDING_FILE_H
#define VELMORA_OUTPUT_PENDING_FILE_H

#include <string>

struct PendingFile {
    std::string Destination;
    std::string Temporary;  // empty: none made, or already renamed or removed
    int Fd = -1;            // open for writing; whoever takes it over closes it

    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();  // a file never finished goes, however the work ended (a failed allocation too)
};

// Makes the temporary file in the destination's folder, with the permissions a
// new file gets (0666 less the umask). Refuses a destination that is a folder,
// and one whose folder is missing or cannot be written, before any work is
// done. False: problem is the reason, in the system's words ("Is a directory").
bool BeginPendingFile(PendingFile& file, const std::string& destination, std::string& problem);

// The descriptor is no longer the file's to close (handed to a writer that closes it).
int TakeDescriptor(PendingFile& file);

// Closes the descriptor if still held, then renames the whole file over the
// destination. False: the file is removed and problem says why.
bool FinishPendingFile(PendingFile& file, std::string& problem);

// A failed write: the temporary file goes, the destination stays as it was.
void AbandonPendingFile(PendingFile& file);

// A process limit on file sizes (ulimit -f) would kill the program at the
// limit with SIGXFSZ; ignored, the write fails with EFBIG like any other.
void TakeFileSizeLimitAsAnError();

#endif
