// The saver on the page: one saver window after another over the whole canvas,
// each started afresh when the page takes a new size, enters or leaves full
// screen, or the panel changes a setting.
#ifndef VELMORA_WEB_PAGE_RUN_H
#define VELMORA_WEB_PAGE_RUN_H

#include "page_settings.h"

// Returns only when no saver window could be made (the saver's exit code).
int RunPage(const PageLink& link);

#endif
