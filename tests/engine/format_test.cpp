#include "engine/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Every test starts from the English defaults and leaves them behind.
class Formatting : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    setNumberSeparators(u'.', u',');
    setDecimalSizes(true);
  }
};

struct SizeCase {
  int64_t bytes;
  const char16_t* decimal;
  const char16_t* binary;
};

TEST_F(Formatting, SizesInBothUnitSystems) {
  const SizeCase cases[] = {
      {0, u"0 B", u"0 B"},
      {-5, u"-5 B", u"-5 B"},
      {999, u"999 B", u"999 B"},
      {1000, u"1.0 kB", u"1000 B"},
      {1023, u"1.0 kB", u"1023 B"},
      {1024, u"1.0 kB", u"1.0 KiB"},
      {1500, u"1.5 kB", u"1.5 KiB"},
      {99949, u"99.9 kB", u"97.6 KiB"},
      {99950, u"100.0 kB", u"97.6 KiB"},
      {999499, u"999 kB", u"976 KiB"},
      {999500, u"1.0 MB", u"976 KiB"},
      {1047552, u"1.0 MB", u"1023 KiB"},   // 1023.0 KiB stays below the 1023.5 threshold
      {1048064, u"1.0 MB", u"1.0 MiB"},    // 1023.5 KiB moves up
      {1572864, u"1.6 MB", u"1.5 MiB"},
      {12345678, u"12.3 MB", u"11.8 MiB"},
      {1000000000000, u"1.0 TB", u"931 GiB"},
      {1000000000000000000, u"1000 PB", u"888 PiB"},
      {INT64_MAX, u"9223 PB", u"8192 PiB"},
      {INT64_MIN, u"-9223372036854775808 B", u"-9223372036854775808 B"},
  };
  for (const SizeCase& c : cases) {
    setDecimalSizes(true);
    EXPECT_EQ(formatSize(c.bytes), c.decimal) << c.bytes;
    setDecimalSizes(false);
    EXPECT_EQ(formatSize(c.bytes), c.binary) << c.bytes;
  }
}

TEST_F(Formatting, DecimalSizeNeverShowsFourDigitsBelowTheTopUnit) {
  // Bytes around every unit boundary below the top unit: at most three digits before
  // the point ("100.0 kB" counts three). Binary units do show 1000..1023 of a unit.
  setDecimalSizes(true);
  {
    double c = 1000;
    for (int unit = 0; unit <= 4; unit++) {
      double base = std::pow(c, unit);
      for (double f : {0.9994, 0.99949, 0.9995, 0.99951, 0.09995, 0.1, 1.0, 0.099949}) {
        int64_t bytes = static_cast<int64_t>(base * c * f);
        std::u16string s = formatSize(bytes);
        size_t digits = s.find_first_not_of(u"0123456789");
        EXPECT_LE(digits, 3u) << bytes << " gave " << std::string(s.begin(), s.end());
      }
    }
  }
}

TEST_F(Formatting, FixedRoundsHalfUpAndGuardsTheRange) {
  struct Case {
    double x;
    int decimals;
    const char16_t* expected;
  } cases[] = {
      {0.125, 2, u"0.13"},
      {-0.04, 1, u"0.0"},
      {-0.05, 1, u"-0.1"},
      {-1.25, 1, u"-1.3"},
      {2.5, 0, u"3"},
      {1234.5678, 6, u"1234.567800"},
      {7, 3, u"7.000"},
      {1e18, 0, u"1000000000000000000"},
      {9.19e18, 0, u"9190000000000000000"},
      {9.2e18, 0, u"?"},
      {1e13, 6, u"?"},
      {-1e300, 2, u"?"},
      {std::numeric_limits<double>::infinity(), 1, u"?"},
      {std::numeric_limits<double>::quiet_NaN(), 1, u"?"},
      {1.5, 9, u"1.500000"},  // decimals are clamped to 6
  };
  for (const Case& c : cases) EXPECT_EQ(formatFixed(c.x, c.decimals), c.expected) << c.x << " " << c.decimals;
}

TEST_F(Formatting, IntegersAndCounts) {
  EXPECT_EQ(formatInteger(7, 2), u"07");
  EXPECT_EQ(formatInteger(-7, 3), u"-007");
  EXPECT_EQ(formatInteger(1234567, 1), u"1234567");
  EXPECT_EQ(formatInteger(INT64_MIN, 1), u"-9223372036854775808");
  struct Case {
    int64_t n;
    const char16_t* expected;
  } cases[] = {
      {0, u"0"},       {999, u"999"},         {1000, u"1,000"},
      {-1000, u"-1,000"}, {1234567, u"1,234,567"}, {INT64_MAX, u"9,223,372,036,854,775,807"},
      {INT64_MIN, u"-9,223,372,036,854,775,808"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatCount(c.n), c.expected) << c.n;
}

TEST_F(Formatting, DurationBoundaries) {
  struct Case {
    double ms;
    const char16_t* duration;
    const char16_t* seconds;
  } cases[] = {
      {0, u"0.0 ms", u"0.0 s"},
      {9.94, u"9.9 ms", u"0.0 s"},
      {9.96, u"10.0 ms", u"0.0 s"},
      {10, u"10 ms", u"0.0 s"},
      {999.4, u"999 ms", u"1.0 s"},
      {999.5, u"1.00 s", u"1.0 s"},
      {1234, u"1.23 s", u"1.2 s"},
      {59949, u"59.95 s", u"59.9 s"},
      {59950, u"59.95 s", u"1 min 0 s"},
      {59994, u"59.99 s", u"1 min 0 s"},
      {59995, u"1 min 0 s", u"1 min 0 s"},
      {61500, u"1 min 2 s", u"1 min 2 s"},
      {3599499, u"59 min 59 s", u"59 min 59 s"},
      {3599500, u"1 h 0 min", u"1 h 0 min"},
      {7384000, u"2 h 3 min", u"2 h 3 min"},
      {1e30, u"2562047788015215 h 30 min", u"2562047788015215 h 30 min"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatDuration(c.ms), c.duration) << c.ms;
    EXPECT_EQ(formatSeconds(c.ms), c.seconds) << c.ms;
  }
  EXPECT_EQ(formatDuration(std::numeric_limits<double>::quiet_NaN()), u"0 min 0 s");
}

TEST_F(Formatting, LanguageSeparators) {
  // German: comma decimal, dot thousands.
  setNumberSeparators(u',', u'.');
  EXPECT_EQ(formatSize(1536), u"1,5 kB");
  EXPECT_EQ(formatCount(1234567), u"1.234.567");
  EXPECT_EQ(formatOneDecimal(2.25), u"2,3");
  EXPECT_EQ(formatDuration(1234), u"1,23 s");
  EXPECT_EQ(formatSeconds(1234), u"1,2 s");
  EXPECT_EQ(formatDuration(9.94), u"9,9 ms");
  EXPECT_EQ(formatFixed(1.5, 1), u"1.5");  // callers replace the point themselves
  // French: comma decimal, no-break space thousands.
  setNumberSeparators(u',', u'\u00A0');
  EXPECT_EQ(formatCount(1234567), u"1\u00A0234\u00A0567");
  EXPECT_EQ(formatSize(1536), u"1,5 kB");
  setDecimalSizes(false);
  EXPECT_EQ(formatSize(1572864), u"1,5 MiB");
}

}  // namespace
