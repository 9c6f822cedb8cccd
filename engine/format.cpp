#include "engine/format.h"

#include <atomic>
#include <cmath>

namespace {

std::atomic<char16_t> gDecimalSeparator{u'.'};
std::atomic<char16_t> gThousandsSeparator{u','};
std::atomic<bool> gDecimalSizes{true};

// Digits of a magnitude, most significant first, at least minDigits of them.
std::u16string digitsOf(uint64_t magnitude, int minDigits) {
  char16_t buffer[24];
  int length = 0;
  do {
    buffer[length++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::u16string out;
  for (int i = length; i < minDigits; i++) out.push_back(u'0');
  while (length > 0) out.push_back(buffer[--length]);
  return out;
}

uint64_t magnitudeOf(int64_t n) {
  // Negating in unsigned arithmetic keeps INT64_MIN exact.
  return n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
}

std::u16string withDecimalSeparator(std::u16string text) {
  char16_t separator = decimalSeparator();
  for (char16_t& c : text) {
    if (c == u'.') c = separator;
  }
  return text;
}

}  // namespace

void setNumberSeparators(char16_t decimal, char16_t thousands) {
  gDecimalSeparator.store(decimal, std::memory_order_relaxed);
  gThousandsSeparator.store(thousands, std::memory_order_relaxed);
}
char16_t decimalSeparator() { return gDecimalSeparator.load(std::memory_order_relaxed); }
char16_t thousandsSeparator() { return gThousandsSeparator.load(std::memory_order_relaxed); }
void setDecimalSizes(bool decimal) { gDecimalSizes.store(decimal, std::memory_order_relaxed); }
bool decimalSizes() { return gDecimalSizes.load(std::memory_order_relaxed); }

std::u16string formatInteger(int64_t n, int minDigits) {
  std::u16string digits = digitsOf(magnitudeOf(n), minDigits);
  return n < 0 ? u"-" + digits : digits;
}

std::u16string formatCount(int64_t n) {
  std::u16string digits = digitsOf(magnitudeOf(n), 1);
  char16_t separator = thousandsSeparator();
  std::u16string out;
  if (n < 0) out.push_back(u'-');
  size_t length = digits.size();
  for (size_t i = 0; i < length; i++) {
    if (i != 0 && (length - i) % 3 == 0) out.push_back(separator);
    out.push_back(digits[i]);
  }
  return out;
}

std::u16string formatFixed(double x, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  static const double kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  static const uint64_t kIntegerPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  double scaled = std::fabs(x) * kPowers[decimals] + 0.5;
  if (!(scaled < 9.2e18)) return u"?";  // also catches NaN
  uint64_t r = static_cast<uint64_t>(scaled);
  uint64_t unit = kIntegerPowers[decimals];
  std::u16string out;
  if (x < 0 && r != 0) out.push_back(u'-');
  out += digitsOf(r / unit, 1);
  if (decimals > 0) {
    out.push_back(u'.');
    out += digitsOf(r % unit, decimals);
  }
  return out;
}

std::u16string formatOneDecimal(double x) { return withDecimalSeparator(formatFixed(x, 1)); }

std::u16string formatSize(int64_t bytes) {
  bool decimal = decimalSizes();
  double c = decimal ? 1000.0 : 1024.0;
  if (static_cast<double>(bytes) < c) return formatInteger(bytes, 1) + u" B";
  static const char16_t* const kDecimalUnits[] = {u"B", u"kB", u"MB", u"GB", u"TB", u"PB"};
  static const char16_t* const kBinaryUnits[] = {u"B", u"KiB", u"MiB", u"GiB", u"TiB", u"PiB"};
  double d = static_cast<double>(bytes);
  int i = 0;
  do {
    d /= c;
    i++;
  } while (i < 5 && d >= c);
  // 999.5 kB would print as "1000 kB": show it as 1.0 MB instead.
  if (i <= 4 && d >= c - 0.5) {
    d /= c;
    i++;
  }
  std::u16string digits = withDecimalSeparator(formatFixed(d, d >= 100 ? 0 : 1));
  return digits + u" " + (decimal ? kDecimalUnits : kBinaryUnits)[i];
}

std::u16string formatDuration(double ms) {
  if (ms < 999.5) return withDecimalSeparator(formatFixed(ms, ms < 10 ? 1 : 0)) + u" ms";
  if (ms < 59995) return withDecimalSeparator(formatFixed(ms / 1000, 2)) + u" s";
  double rounded = std::trunc(ms / 1000 + 0.5);
  int64_t s = 0;
  if (rounded >= 9.2e18) {
    s = INT64_MAX;
  } else if (rounded == rounded) {
    s = static_cast<int64_t>(rounded);
  }
  if (s < 3600) return formatInteger(s / 60, 1) + u" min " + formatInteger(s % 60, 1) + u" s";
  return formatInteger(s / 3600, 1) + u" h " + formatInteger((s / 60) % 60, 1) + u" min";
}

std::u16string formatSeconds(double ms) {
  if (ms >= 59950) return formatDuration(ms < 59995 ? 59995 : ms);
  return withDecimalSeparator(formatFixed(ms / 1000, 1)) + u" s";
}
