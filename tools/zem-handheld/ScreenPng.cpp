#include "tools/zem-handheld/ScreenPng.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/Exception.h"
#include "protocol/Packets.h"

namespace handheld {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// libpng reports errors through longjmp by default; this handler stores the message and jumps back
// to the setjmp in WriteRows.
void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

std::vector<uint8_t> GreyRow(const std::vector<uint8_t>& image, int row) {
  std::vector<uint8_t> grey(HandheldWidth);
  const uint8_t* packed = image.data() + static_cast<size_t>(row) * HandheldWidth / 2;
  for (int x = 0; x < HandheldWidth; x += 2) {
    grey[x] = static_cast<uint8_t>((packed[x / 2] >> 4) * 17);
    grey[x + 1] = static_cast<uint8_t>((packed[x / 2] & 0x0F) * 17);
  }
  return grey;
}

// Kept apart from objects with destructors, as longjmp skips them.
bool WriteRows(FILE* file, const std::vector<std::vector<uint8_t>>& rows, std::string& error) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (png == nullptr) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    if (error.empty()) error = "out of memory";
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, HandheldWidth, HandheldHeight, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (const auto& row : rows) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void ScreenPng::Write(const std::string& path, const std::vector<uint8_t>& image) {
  if (image.size() != ScreenImageSize) {
    throw Exception("a screen image has " + std::to_string(ScreenImageSize) + " bytes, not " +
                    std::to_string(image.size()));
  }
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 0; y < HandheldHeight; ++y) rows.push_back(GreyRow(image, y));

  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw Exception("cannot write " + path + ": " + std::strerror(errno));
  std::string error;
  if (!WriteRows(file.get(), rows, error)) throw Exception("cannot write " + path + ": " + error);
  if (std::fclose(file.release()) != 0) {
    throw Exception("cannot write " + path + ": " + std::strerror(errno));
  }
}

}  // namespace handheld
