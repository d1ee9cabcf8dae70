// Whether a file is a whole Windows module: its DOS and PE headers, its
// section table and every section's data lie inside the file. A medium whose
// module was cut short (a broken download, a bad disk) must never replace a
// working saver.
#ifndef VELMORA_INSTALLER_MODULE_CHECK_H
#define VELMORA_INSTALLER_MODULE_CHECK_H

#include <cstddef>
#include <cstdint>

bool WholeModule(const uint8_t* bytes, size_t size);

#endif
