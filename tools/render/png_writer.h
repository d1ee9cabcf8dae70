#ifndef VELMORA_PNG_WRITER_H
#define VELMORA_PNG_WRITER_H

#include "saver/picture_render.h"

#include <string>

// An 8-bit indexed PNG, rows from the top of the picture down, 256 PLTE entries.
bool WriteIndexedPng(const std::string& path, int32_t width, int32_t height, const RenderedPicture& picture,
                     std::string& error);

#endif
