// FNV-1a over 16-bit code units: the one hash of names and extensions (the name intern
// set, the extension table, the map's type colours). Inline because the name intern
// set folds it into its own loop over every name a scan adds.
//
// Threading: pure functions.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kFnv1aBasis = 0x811C9DC5;
constexpr uint32_t kFnv1aPrime = 16777619;

constexpr uint32_t fnv1aStep(uint32_t hash, uint16_t unit) { return (hash ^ unit) * kFnv1aPrime; }

// `Unit` is char16_t or uint8_t (a name stored one byte per unit hashes like its widening).
template <typename Unit>
constexpr uint32_t fnv1a(const Unit* units, size_t length, uint32_t basis = kFnv1aBasis) {
  uint32_t hash = basis;
  for (size_t i = 0; i < length; i++) hash = fnv1aStep(hash, static_cast<uint16_t>(units[i]));
  return hash;
}
