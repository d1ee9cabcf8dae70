/* Resource ids shared by the resource scripts and the code. Plain #defines so
   that windres can read this file too. */
#ifndef VELMORA_RESOURCE_IDS_H
#define VELMORA_RESOURCE_IDS_H

#define IDI_SAVER 100
#define IDD_CONFIGURE 2003

#ifndef RC_INVOKED
enum VelmoraStringId {
#define VELMORA_STRING(name, number, text) name = number,
#include "strings.def"
#undef VELMORA_STRING
};
#endif

#endif
