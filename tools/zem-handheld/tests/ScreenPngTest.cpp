#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Exception.h"
#include "protocol/Packets.h"
#include "tools/zem-handheld/ScreenPng.h"

namespace handheld {
namespace {

struct ReadBack {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  png_uint_32 format = 0;
  std::vector<uint8_t> pixels;  // one byte a pixel, row after row
  uint8_t At(int x, int y) const { return pixels.at(static_cast<size_t>(y) * width + x); }
};

ReadBack ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ReadBack result;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return result;
  result.width = image.width;
  result.height = image.height;
  result.format = image.format;  // as stored in the file
  image.format = PNG_FORMAT_GRAY;
  result.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, result.pixels.data(), 0, nullptr)) return ReadBack{};
  return result;
}

class ScreenPngTest : public ::testing::Test {
 protected:
  std::string path = (std::filesystem::temp_directory_path() /
                      ("zem-handheld-png-" + std::to_string(getpid()) + ".png"))
                         .string();
  void TearDown() override { std::filesystem::remove(path); }
};

TEST_F(ScreenPngTest, WritesSixteenGreysInTheHandheldsLayout) {
  std::vector<uint8_t> image(ScreenImageSize, 0x00);
  image[0] = 0xF0;      // (0, 0) white, (1, 0) black
  image[319] = 0x18;    // (638, 0) grey 1, (639, 0) grey 8
  image[320] = 0x7C;    // (0, 1) and (1, 1)
  image.back() = 0x3F;  // (638, 239) and (639, 239)
  ScreenPng::Write(path, image);

  const ReadBack png = ReadPng(path);
  ASSERT_EQ(png.width, 640u);
  ASSERT_EQ(png.height, 240u);
  EXPECT_EQ(png.format, static_cast<png_uint_32>(PNG_FORMAT_GRAY));  // 8-bit grey, no alpha
  EXPECT_EQ(png.At(0, 0), 255);
  EXPECT_EQ(png.At(1, 0), 0);
  EXPECT_EQ(png.At(638, 0), 17);
  EXPECT_EQ(png.At(639, 0), 136);
  EXPECT_EQ(png.At(0, 1), 7 * 17);
  EXPECT_EQ(png.At(1, 1), 12 * 17);
  EXPECT_EQ(png.At(638, 239), 3 * 17);
  EXPECT_EQ(png.At(639, 239), 255);
  EXPECT_EQ(png.At(320, 120), 0);
}

TEST_F(ScreenPngTest, RefusesAWrongSizeAndAnUnwritablePath) {
  EXPECT_THROW(ScreenPng::Write(path, std::vector<uint8_t>(ScreenImageSize - 1)), Exception);
  EXPECT_FALSE(std::filesystem::exists(path));
  try {
    ScreenPng::Write("/nonexistent-folder/screen.png", std::vector<uint8_t>(ScreenImageSize));
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("cannot write /nonexistent-folder/screen.png"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace handheld
