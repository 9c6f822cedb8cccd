#include "config/inflate.h"

#include <cstring>

// Huffman codes are decoded through a table indexed by the next kFastBits input
// bits (codes arrive bit-reversed, so the table is too); the rare longer codes are
// decoded canonically, one bit at a time, from the counts per length.

namespace {

constexpr int kMaxBits = 15;
constexpr int kFastBits = 10;

struct BitReader {
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
  uint64_t bits = 0;
  int count = 0;        // bits held in `bits`
  int paddedBits = 0;   // of those, zero bits added past the end of the input
  bool overrun = false;

  void refill() {
    while (count <= 56) {
      if (next < end) {
        bits |= static_cast<uint64_t>(*next++) << count;
      } else {
        paddedBits += 8;
      }
      count += 8;
    }
  }
  uint32_t peek(int n) {
    if (count < n) refill();
    return static_cast<uint32_t>(bits & ((1ull << n) - 1));
  }
  void consume(int n) {
    bits >>= n;
    count -= n;
    // Using a padding bit means the stream ran past its input.
    if (count < paddedBits) overrun = true;
  }
  uint32_t take(int n) {
    uint32_t value = peek(n);
    consume(n);
    return value;
  }
  // Drops the bits up to the next byte boundary and hands the buffered whole bytes
  // back to the input, so that stored data can be copied straight from it.
  void alignToInput() {
    consume(count & 7);
    int realBytes = (count - paddedBits) / 8;
    if (realBytes > 0) next -= realBytes;
    bits = 0;
    count = 0;
    paddedBits = 0;
  }
};

struct Huffman {
  uint32_t fast[1 << kFastBits];  // (length << 16) | symbol; 0 = longer code or none
  uint16_t counts[kMaxBits + 1];  // codes per length
  uint16_t symbols[288];          // symbols ordered by code
  bool any = false;
};

uint32_t reverseBits(uint32_t code, int length) {
  uint32_t out = 0;
  for (int i = 0; i < length; i++) {
    out = (out << 1) | (code & 1);
    code >>= 1;
  }
  return out;
}

// Builds the canonical code for the given lengths. Over-subscribed lengths are
// rejected; an incomplete code is allowed (deflate uses one for a single distance
// code), and reading one of its missing codes fails.
bool buildHuffman(Huffman& h, const uint8_t* lengths, int symbols) {
  for (uint16_t& c : h.counts) c = 0;
  for (int s = 0; s < symbols; s++) h.counts[lengths[s]]++;
  h.counts[0] = 0;
  int left = 1;
  for (int len = 1; len <= kMaxBits; len++) {
    left <<= 1;
    left -= h.counts[len];
    if (left < 0) return false;
  }
  uint16_t offsets[kMaxBits + 2] = {};
  for (int len = 1; len <= kMaxBits; len++) offsets[len + 1] = static_cast<uint16_t>(offsets[len] + h.counts[len]);
  for (int s = 0; s < symbols; s++) {
    if (lengths[s] != 0) h.symbols[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
  }
  h.any = offsets[kMaxBits + 1] != 0;

  std::memset(h.fast, 0, sizeof h.fast);
  uint32_t code = 0;
  int index = 0;
  for (int len = 1; len <= kFastBits; len++) {
    for (int k = 0; k < h.counts[len]; k++, index++, code++) {
      uint32_t entry = (static_cast<uint32_t>(len) << 16) | h.symbols[index];
      for (uint32_t i = reverseBits(code, len); i < (1u << kFastBits); i += 1u << len) h.fast[i] = entry;
    }
    code <<= 1;
  }
  return true;
}

// -1 for a code that does not exist.
int decodeSymbol(BitReader& in, const Huffman& h) {
  if (!h.any) return -1;
  uint32_t bits = in.peek(kMaxBits);
  uint32_t entry = h.fast[bits & ((1u << kFastBits) - 1)];
  if (entry != 0) {
    in.consume(static_cast<int>(entry >> 16));
    return static_cast<int>(entry & 0xFFFF);
  }
  // Canonical decoding: codes of one length are consecutive numbers starting at `first`.
  int code = 0, first = 0, index = 0;
  for (int len = 1; len <= kMaxBits; len++) {
    code |= static_cast<int>((bits >> (len - 1)) & 1);
    int count = h.counts[len];
    if (code - first < count) {
      in.consume(len);
      return h.symbols[index + (code - first)];
    }
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return -1;
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Allocated without zeroing: a table is cleared only as far as its code needs.
struct Decoder {
  BitReader in;
  InflateOutput out;
  size_t pos = 0;
  Huffman literals;
  Huffman distances;
  Huffman codeLengths;
};

bool copyStored(Decoder& d) {
  d.in.alignToInput();
  if (d.in.end - d.in.next < 4) return false;
  const uint8_t* p = d.in.next;
  uint32_t length = p[0] | (p[1] << 8);
  uint32_t complement = p[2] | (p[3] << 8);
  if ((length ^ 0xFFFF) != complement) return false;
  p += 4;
  if (static_cast<size_t>(d.in.end - p) < length) return false;
  if (d.out.limit - d.pos < length) return false;
  std::memcpy(d.out.data + d.pos, p, length);
  d.pos += length;
  d.in.next = p + length;
  return true;
}

bool buildFixedCodes(Decoder& d) {
  uint8_t lengths[288 + 30];
  for (int s = 0; s < 144; s++) lengths[s] = 8;
  for (int s = 144; s < 256; s++) lengths[s] = 9;
  for (int s = 256; s < 280; s++) lengths[s] = 7;
  for (int s = 280; s < 288; s++) lengths[s] = 8;
  for (int s = 0; s < 30; s++) lengths[288 + s] = 5;
  return buildHuffman(d.literals, lengths, 288) && buildHuffman(d.distances, lengths + 288, 30);
}

bool buildDynamicCodes(Decoder& d) {
  int literalCount = static_cast<int>(d.in.take(5)) + 257;
  int distanceCount = static_cast<int>(d.in.take(5)) + 1;
  int codeLengthCount = static_cast<int>(d.in.take(4)) + 4;
  if (literalCount > 286 || distanceCount > 30) return false;
  static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  uint8_t codeLengthLengths[19] = {};
  for (int i = 0; i < codeLengthCount; i++) codeLengthLengths[kOrder[i]] = static_cast<uint8_t>(d.in.take(3));
  if (!buildHuffman(d.codeLengths, codeLengthLengths, 19)) return false;

  uint8_t lengths[286 + 30] = {};
  int total = literalCount + distanceCount;
  int i = 0;
  while (i < total) {
    if (d.in.overrun) return false;
    int symbol = decodeSymbol(d.in, d.codeLengths);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[i++] = static_cast<uint8_t>(symbol);
      continue;
    }
    uint8_t value = 0;
    int repeat;
    if (symbol == 16) {
      if (i == 0) return false;  // nothing to repeat
      value = lengths[i - 1];
      repeat = 3 + static_cast<int>(d.in.take(2));
    } else if (symbol == 17) {
      repeat = 3 + static_cast<int>(d.in.take(3));
    } else {
      repeat = 11 + static_cast<int>(d.in.take(7));
    }
    if (i + repeat > total) return false;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[256] == 0) return false;  // a block that cannot end
  return buildHuffman(d.literals, lengths, literalCount) &&
         buildHuffman(d.distances, lengths + literalCount, distanceCount);
}

bool decodeCompressed(Decoder& d) {
  uint8_t* data = d.out.data;
  for (;;) {
    if (d.in.overrun) return false;
    int symbol = decodeSymbol(d.in, d.literals);
    if (symbol < 0) return false;
    if (symbol < 256) {
      if (d.pos >= d.out.limit) return false;
      data[d.pos++] = static_cast<uint8_t>(symbol);
      continue;
    }
    if (symbol == 256) return !d.in.overrun;
    symbol -= 257;
    if (symbol >= 29) return false;
    size_t length = kLengthBase[symbol] + d.in.take(kLengthExtra[symbol]);
    int distanceSymbol = decodeSymbol(d.in, d.distances);
    if (distanceSymbol < 0 || distanceSymbol >= 30) return false;
    size_t distance = kDistanceBase[distanceSymbol] + d.in.take(kDistanceExtra[distanceSymbol]);
    if (d.in.overrun) return false;
    if (distance > d.pos - d.out.historyStart) return false;
    if (length > d.out.limit - d.pos) return false;
    const uint8_t* from = data + d.pos - distance;
    uint8_t* to = data + d.pos;
    if (distance >= length) {
      std::memcpy(to, from, length);
    } else {
      for (size_t k = 0; k < length; k++) to[k] = from[k];  // overlapping: repeats the pattern
    }
    d.pos += length;
  }
}

}  // namespace

bool inflateRaw(const uint8_t* input, size_t inputSize, InflateOutput output, size_t* end) {
  if (!output.data || output.historyStart > output.start || output.start > output.limit) return false;
  // The tables are too large for a worker's stack budget; one heap block per stream.
  auto* d = new Decoder;
  d->in.next = input;
  d->in.end = input + inputSize;
  d->out = output;
  d->pos = output.start;
  bool ok = true;
  bool last = false;
  while (ok && !last) {
    last = d->in.take(1) != 0;
    uint32_t type = d->in.take(2);
    if (d->in.overrun) {
      ok = false;
    } else if (type == 0) {
      ok = copyStored(*d);
    } else if (type == 1) {
      ok = buildFixedCodes(*d) && decodeCompressed(*d);
    } else if (type == 2) {
      ok = buildDynamicCodes(*d) && !d->in.overrun && decodeCompressed(*d);
    } else {
      ok = false;
    }
  }
  if (ok) *end = d->pos;
  delete d;
  return ok;
}
