#include "png.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "channels.h"
#include "error.h"

namespace vorn {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void ignoreWarning(png_structp, png_const_charp) {}
// Quiet error report: jump back to the caller's setjmp without printing.
[[noreturn]] void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng reports errors by longjmp back to the setjmp below; these helpers
// hold only trivially destructible locals so that the jump skips nothing.
bool writeImage(png_structp png, png_infop info, std::FILE* file, const Image& image) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 3);  // screens compress well; speed matters more
  png_write_info(png, info);
  static_assert(sizeof(Rgb) == 3);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(image.pixels.data() + size_t(y) * image.width));
  png_write_end(png, nullptr);
  return true;
}

bool readHeader(png_structp png, png_infop info, std::FILE* file, int& width, int& height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  width = int(png_get_image_width(png, info));
  height = int(png_get_image_height(png, info));
  return png_get_rowbytes(png, info) == png_size_t(width) * 3;
}

bool readRows(png_structp png, Rgb* pixels, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = 0; y < height; ++y)
    png_read_row(png, reinterpret_cast<png_bytep>(pixels + size_t(y) * width), nullptr);
  return true;
}

}  // namespace

void writePng(const std::string& path, const Image& image) {
  replaceFileWith(path, [&](const std::string& temp) {
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file) raiseErrno(errno, "write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info && writeImage(png, info, file.get(), image);
    png_destroy_write_struct(&png, &info);
    const bool flushed = written && std::fflush(file.get()) == 0 && !std::ferror(file.get());
    const int e = errno;
    if (std::fclose(file.release()) != 0 && flushed) raiseErrno(errno, "write " + path);
    if (!flushed && written) raiseErrno(e, "write " + path);
    if (!flushed) throw RuntimeError(err::IoError, "write " + path);
  });
}

Image readPng(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) raiseErrno(errno, "read " + path, Access::Read);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  Image image;
  bool ok = info && readHeader(png, info, file.get(), image.width, image.height);
  if (ok) {
    image.pixels.resize(size_t(image.width) * image.height);
    ok = readRows(png, image.pixels.data(), image.width, image.height);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) throw RuntimeError(err::IoError, "read " + path, "not a readable PNG");
  return image;
}

}  // namespace vorn
