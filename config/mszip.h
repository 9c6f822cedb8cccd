// MSZIP buffers, the compressed-data format of the language pack: a 24-byte
// header (magic 0xC0E5510A, header size, two bytes of the compressor's own, the
// uncompressed size, the block size 32768), then blocks of a u32 byte count and
// that many bytes: "CK" and a raw deflate stream of at most 32768 output bytes
// whose back-references may reach into the previous block's output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t kMszipMagic = 0xC0E5510A;
constexpr size_t kMszipHeaderBytes = 24;
constexpr size_t kMszipBlockBytes = 32768;

// Decompresses a whole buffer whose header must announce exactly expectedSize
// bytes. False (and `out` emptied) for anything malformed, truncated or of
// another size; never reads or writes out of bounds.
bool decompressMszip(const uint8_t* data, size_t size, size_t expectedSize, std::vector<uint8_t>& out);
