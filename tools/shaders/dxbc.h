// The DXBC container's checksum: Direct3D refuses a shader blob whose checksum does
// not match its contents. It is MD5 over everything after the checksum field, with
// the bit count and a second word ((bits >> 2) | 1) placed where MD5 puts its length.
// Header-only: the shader compiler tool and the Windows tests use it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dxbc {
constexpr size_t kChecksumOffset = 4;
constexpr size_t kHashedFrom = 20;   // magic and checksum are not hashed
constexpr size_t kHeaderBytes = 32;  // magic, checksum, version, total size, chunk count

inline uint32_t rotateLeft(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

inline void md5Block(uint32_t state[4], const uint8_t block[64]) {
  static const uint32_t k[64] = {
      0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
      0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
      0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
      0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
      0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
      0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
      0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
      0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
  static const int shifts[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};
  uint32_t words[16];
  for (int i = 0; i < 16; ++i)
    words[i] = uint32_t(block[4 * i]) | uint32_t(block[4 * i + 1]) << 8 | uint32_t(block[4 * i + 2]) << 16 |
               uint32_t(block[4 * i + 3]) << 24;
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) { f = (b & c) | (~b & d); g = i; }
    else if (i < 32) { f = (d & b) | (~d & c); g = (5 * i + 1) % 16; }
    else if (i < 48) { f = b ^ c ^ d; g = (3 * i + 5) % 16; }
    else { f = c ^ (b | ~d); g = (7 * i) % 16; }
    uint32_t rotated = rotateLeft(a + f + k[i] + words[g], shifts[(i / 16) * 4 + i % 4]);
    a = d;
    d = c;
    c = b;
    b = b + rotated;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

inline void putWord(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

// The checksum of a whole container (at least 20 bytes), as the four words stored at offset 4.
inline void checksum(const uint8_t* blob, size_t size, uint32_t out[4]) {
  const uint8_t* data = blob + kHashedFrom;
  size_t length = size - kHashedFrom;
  uint32_t bits = uint32_t(length * 8);
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  size_t full = length & ~size_t(63);
  for (size_t i = 0; i < full; i += 64) md5Block(state, data + i);
  size_t rest = length - full;
  uint8_t block[64] = {};
  if (rest >= 56) {
    std::memcpy(block, data + full, rest);
    block[rest] = 0x80;
    md5Block(state, block);
    std::memset(block, 0, sizeof block);
    putWord(block, bits);
  } else {
    putWord(block, bits);
    std::memcpy(block + 4, data + full, rest);
    block[4 + rest] = 0x80;
  }
  putWord(block + 60, (bits >> 2) | 1);
  md5Block(state, block);
  for (int i = 0; i < 4; ++i) out[i] = state[i];
}

inline uint32_t wordAt(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// A container Direct3D accepts as such: magic, its own size, chunk offsets inside
// it, and a matching checksum.
inline bool containerValid(const uint8_t* blob, size_t size) {
  if (size < kHeaderBytes || std::memcmp(blob, "DXBC", 4) != 0) return false;
  if (wordAt(blob + 24) != size) return false;
  uint32_t chunks = wordAt(blob + 28);
  if (chunks == 0 || kHeaderBytes + size_t(chunks) * 4 > size) return false;
  for (uint32_t i = 0; i < chunks; ++i) {
    uint32_t offset = wordAt(blob + kHeaderBytes + 4 * i);
    if (size_t(offset) + 8 > size || size_t(offset) + 8 + wordAt(blob + offset + 4) > size) return false;
  }
  uint32_t sum[4];
  checksum(blob, size, sum);
  for (int i = 0; i < 4; ++i)
    if (wordAt(blob + kChecksumOffset + 4 * i) != sum[i]) return false;
  return true;
}
}  // namespace dxbc
