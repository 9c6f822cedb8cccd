#include "golden.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

void expectGoldenPicture(const std::string& name, const std::vector<uint32_t>& pixels, int32_t width,
                         int32_t height) {
  ASSERT_EQ(pixels.size(), size_t(width) * size_t(height));
  std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::string image = header;
  for (uint32_t p : pixels) {
    image.push_back(char(p >> 16));
    image.push_back(char(p >> 8));
    image.push_back(char(p));
  }
  std::string path = std::string(MB_SOURCE_DIR) + "/tests/treemap/golden/" + name + ".ppm";
  if (std::getenv("MB_UPDATE_GOLDEN")) {
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr) << path;
    std::fwrite(image.data(), 1, image.size(), out);
    std::fclose(out);
  }
  FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr) << path;
  std::string stored(image.size() + 1, '\0');
  stored.resize(std::fread(stored.data(), 1, stored.size(), in));
  std::fclose(in);
  ASSERT_EQ(stored.size(), image.size()) << path;
  size_t differing = 0, first = 0;
  for (size_t i = header.size(); i < image.size(); ++i)
    if (stored[i] != image[i] && differing++ == 0) first = (i - header.size()) / 3;
  EXPECT_EQ(differing, 0u) << name << ": first difference at pixel " << first % size_t(width) << ","
                           << first / size_t(width);
}
