#pragma once
// PNG files of composited screen pictures (screen hard copy, --dump-png, tests).
#include <string>

#include "backend.h"

namespace vorn {

// Writes image as an 8-bit RGB PNG. Raises RuntimeError when the file cannot
// be written; a half-written file is removed.
void writePng(const std::string& path, const Image& image);
// Reads an 8-bit RGB or RGBA PNG (alpha dropped). Raises RuntimeError.
Image readPng(const std::string& path);

}  // namespace vorn
