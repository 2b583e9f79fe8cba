#pragma once
// PNG files of composited screen pictures (screen hard copy, --dump-png, tests).
#include <string>

#include "backend.h"

namespace vorn {

// Writes image as an 8-bit RGB PNG through a temporary file renamed over path.
// Raises RuntimeError when it cannot be written; path then keeps its old contents.
void writePng(const std::string& path, const Image& image);
// Reads an 8-bit RGB or RGBA PNG (alpha dropped). Raises RuntimeError.
Image readPng(const std::string& path);

}  // namespace vorn
