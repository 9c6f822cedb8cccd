// Raw deflate decoding (RFC 1951) into a caller's buffer, with every read and
// write bounds-checked: the input comes from a resource that may be damaged.
#pragma once
#include <cstddef>
#include <cstdint>

struct InflateOutput {
  uint8_t* data = nullptr;
  size_t historyStart = 0;  // back-references may reach down to data[historyStart]
  size_t start = 0;         // the stream's output begins here
  size_t limit = 0;         // and must not pass this position
};

// Decodes one complete raw deflate stream (up to and including its final block).
// On success returns true and sets *end to the position after the last byte
// written. False for any malformed or truncated stream, a back-reference before
// historyStart, or output that would pass limit; the output is then unspecified.
bool inflateRaw(const uint8_t* input, size_t inputSize, InflateOutput output, size_t* end);
