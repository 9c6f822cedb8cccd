// A minimal PNG encoder for captures: 8-bit RGB, filter 0 on every row, the
// image data as stored (uncompressed) deflate blocks. No dependencies; any PNG
// reader decodes it, and a byte-exact picture is all a test needs.
#pragma once
#include <cstdint>
#include <vector>

// pixels: width × height values 0x00RRGGBB, rows top to bottom.
std::vector<uint8_t> encodePng(const uint32_t* pixels, uint32_t width, uint32_t height);
