// The original bytes of tests/fixtures/deflate/*, regenerated exactly as
// make_fixtures.py builds them before handing them to zlib.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<uint8_t>;

struct Lcg {
  uint64_t x;
  uint8_t next() {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint8_t>(x >> 56);
  }
};

inline Bytes randomBytes(uint64_t seed, size_t n) {
  Lcg g{seed};
  Bytes out(n);
  for (uint8_t& b : out) b = g.next();
  return out;
}

inline Bytes textBytes(uint64_t seed, size_t n) {
  static const char* const kWords[] = {"disk", "usage", "folder", "file", "scan", "the", "of", "map", "size", "Mossbloom",
                                       "treemap", "cushion", "\xc3\xa9l\xc3\xa9ment", "\xe6\x97\xa5\xe6\x9c\xac", " ", "\n"};
  Lcg g{seed};
  std::string out;
  while (out.size() < n) {
    out += kWords[g.next() % 16];
    out += ' ';
  }
  out.resize(n);
  return Bytes(out.begin(), out.end());
}

inline Bytes skewedBytes(uint64_t seed, size_t n) {
  Lcg g{seed};
  Bytes out;
  while (out.size() < n) {
    uint8_t v = 0;
    while (v < 60 && g.next() < 128) v++;
    out.push_back(v);
  }
  return out;
}

inline Bytes runsBytes(size_t n) {
  Bytes out(n / 2, 'a');
  while (out.size() < n) out.insert(out.end(), {'a', 'b', 'c'});
  out.resize(n);
  return out;
}

inline Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes readFixture(const std::string& name) {
  std::ifstream in(std::string(MB_SOURCE_DIR) + "/tests/fixtures/deflate/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct DeflateCase {
  const char* name;
  Bytes original;
};

inline std::vector<DeflateCase> deflateCases() {
  return {
      {"empty", {}},
      {"stored", textBytes(1, 3000)},
      {"fixed", textBytes(2, 5000)},
      {"dynamic", textBytes(3, 20000)},
      {"random", randomBytes(4, 20000)},
      {"runs", runsBytes(10000)},
      {"skewed", skewedBytes(8, 60000)},
      {"flushed", concat(randomBytes(5, 3000), textBytes(6, 20000))},
  };
}

}  // namespace fixtures
