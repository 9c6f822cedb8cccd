#include "config/inflate.h"
#include "config/mszip.h"

#include <gtest/gtest.h>

#include "tests/config/deflate_fixtures.h"

namespace {

using fixtures::Bytes;

bool inflateInto(const Bytes& packed, Bytes& out, size_t capacity) {
  out.assign(capacity, 0);
  size_t end = 0;
  if (!inflateRaw(packed.data(), packed.size(), InflateOutput{out.data(), 0, 0, capacity}, &end)) return false;
  out.resize(end);
  return true;
}

// Streams zlib wrote: stored, fixed-code and dynamic-code blocks, incompressible
// data, long overlapping matches and a sync flush in the middle of a stream.
TEST(Inflate, DecodesZlibStreamsOfEveryBlockType) {
  for (const fixtures::DeflateCase& c : fixtures::deflateCases()) {
    Bytes packed = fixtures::readFixture(std::string(c.name) + ".deflate");
    ASSERT_FALSE(packed.empty()) << c.name;
    Bytes out;
    ASSERT_TRUE(inflateInto(packed, out, c.original.size() + 100)) << c.name;
    EXPECT_EQ(out, c.original) << c.name;
    // An output buffer one byte too small is refused, not overrun.
    if (!c.original.empty()) {
      EXPECT_FALSE(inflateInto(packed, out, c.original.size() - 1)) << c.name;
    }
  }
}

TEST(Inflate, RefusesEveryTruncation) {
  for (const char* name : {"stored", "fixed", "dynamic", "runs", "flushed"}) {
    Bytes packed = fixtures::readFixture(std::string(name) + ".deflate");
    Bytes out;
    for (size_t length = 0; length < packed.size(); length++) {
      Bytes cut(packed.begin(), packed.begin() + length);
      EXPECT_FALSE(inflateInto(cut, out, 24 * 1024)) << name << " cut at " << length;
    }
  }
}

TEST(Inflate, BackReferencesStayInsideTheHistory) {
  // A fixed-code block: literal 'a', then a match of length 3 at distance 1 (ok),
  // then a match at distance 5 (before the start of the output).
  // Built bit by bit: BFINAL=1, BTYPE=01, codes written MSB-first.
  struct Bits {
    Bytes bytes;
    int used = 0;
    void put(uint32_t value, int count) {  // LSB-first field
      for (int i = 0; i < count; i++) bit((value >> i) & 1);
    }
    void code(uint32_t value, int count) {  // Huffman code, MSB-first
      for (int i = count - 1; i >= 0; i--) bit((value >> i) & 1);
    }
    void bit(int b) {
      if (used % 8 == 0) bytes.push_back(0);
      bytes.back() |= static_cast<uint8_t>(b << (used % 8));
      used++;
    }
  };
  auto stream = [](int distanceCode) {
    Bits s;
    s.put(1, 1);
    s.put(1, 2);
    s.code(0x30 + 'a', 8);       // literal 'a'
    s.code(1, 7);                // length symbol 257: length 3
    s.code(distanceCode, 5);     // distance code
    if (distanceCode == 4) s.put(0, 1);  // distance 5 has one extra bit
    s.code(0, 7);                // end of block
    return s.bytes;
  };
  Bytes out;
  ASSERT_TRUE(inflateInto(stream(0), out, 16));
  EXPECT_EQ(out, (Bytes{'a', 'a', 'a', 'a'}));
  EXPECT_FALSE(inflateInto(stream(4), out, 16));

  // With history: the same distance-5 match is fine when 5 bytes precede the start.
  Bytes buffer = {'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0};
  Bytes packed = stream(4);
  size_t end = 0;
  ASSERT_TRUE(inflateRaw(packed.data(), packed.size(), InflateOutput{buffer.data(), 0, 5, buffer.size()}, &end));
  EXPECT_EQ(end, 9u);
  EXPECT_EQ(Bytes(buffer.begin() + 5, buffer.begin() + 9), (Bytes{'a', 'e', 'l', 'l'}));
  EXPECT_FALSE(inflateRaw(packed.data(), packed.size(), InflateOutput{buffer.data(), 2, 5, buffer.size()}, &end));
}

TEST(Inflate, RefusesMalformedHeaders) {
  Bytes out;
  EXPECT_FALSE(inflateInto({0x07}, out, 16));                          // block type 3
  EXPECT_FALSE(inflateInto({0x01, 0x05, 0x00, 0xFB, 0xFF, 1, 2, 3, 4, 5}, out, 16));  // stored length check fails
  EXPECT_FALSE(inflateInto({}, out, 16));
}

TEST(Mszip, DecodesBlocksThatReferToThePreviousBlock) {
  Bytes packed = fixtures::readFixture("text100k.mszip");
  Bytes original = fixtures::textBytes(7, 100000);
  Bytes out;
  ASSERT_TRUE(decompressMszip(packed.data(), packed.size(), original.size(), out));
  EXPECT_EQ(out, original);
  // The header's size must be the one the caller expects.
  EXPECT_FALSE(decompressMszip(packed.data(), packed.size(), original.size() + 1, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(decompressMszip(packed.data(), packed.size(), original.size() - 1, out));
}

TEST(Mszip, RefusesDamage) {
  Bytes packed = fixtures::readFixture("text100k.mszip");
  const size_t size = 100000;
  Bytes out;
  for (size_t length = 0; length < packed.size(); length += 97) {
    EXPECT_FALSE(decompressMszip(packed.data(), length, size, out)) << length;
  }
  Bytes wrongMagic = packed;
  wrongMagic[0] ^= 1;
  EXPECT_FALSE(decompressMszip(wrongMagic.data(), wrongMagic.size(), size, out));
  Bytes noCk = packed;
  noCk[24 + 4] = 'X';
  EXPECT_FALSE(decompressMszip(noCk.data(), noCk.size(), size, out));
  Bytes hugeCount = packed;
  hugeCount[24 + 3] = 0x7F;
  EXPECT_FALSE(decompressMszip(hugeCount.data(), hugeCount.size(), size, out));
  // Flipped bits inside the deflate data: refused or decoded, but always in bounds
  // (the sanitizer builds check the "in bounds").
  for (size_t at = 30; at < packed.size(); at += 13) {
    Bytes flipped = packed;
    flipped[at] ^= 0x10;
    if (decompressMszip(flipped.data(), flipped.size(), size, out)) {
      EXPECT_EQ(out.size(), size);
    }
  }
  // A claimed size no deflate stream could reach is refused before allocating it.
  EXPECT_FALSE(decompressMszip(packed.data(), packed.size(), size_t{1} << 40, out));
}

}  // namespace
