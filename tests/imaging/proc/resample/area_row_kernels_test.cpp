#include "imaging/proc/resample/AreaRowKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Lengths around the vector widths (4 and 16 values), so that every tail length is met.
constexpr std::size_t kCounts[] = {0, 1, 3, 4, 5, 15, 16, 17, 31, 33, 4097};

std::vector<std::uint8_t> RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(count);
  for (std::uint8_t& b : bytes)
    b = static_cast<std::uint8_t>(random() & 0xFF);
  return bytes;
}

// The byte a level becomes: truncated after a tiny slack, clamped to 0..255.
std::uint8_t ExpectedByte(double level) {
  const double t = std::trunc(level + 1e-9);
  return static_cast<std::uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
}

TEST(AreaRowKernels, AddBytesSumsEveryValueFreshAndOnTop) {
  for (std::size_t count : kCounts) {
    SCOPED_TRACE(count);
    const auto a = RandomBytes(count, 1);
    const auto b = RandomBytes(count, 2);
    std::vector<std::int32_t> sums(count, -7);
    AddBytesToSums(a.data(), count, true, sums.data());
    AddBytesToSums(b.data(), count, false, sums.data());
    AddBytesToSums(b.data(), count, false, sums.data());
    for (std::size_t k = 0; k < count; ++k)
      ASSERT_EQ(sums[k], a[k] + 2 * b[k]) << k;
  }
}

TEST(AreaRowKernels, AddWeightedBytesMatchesOneProductAndOneSumPerValue) {
  for (std::size_t count : kCounts) {
    SCOPED_TRACE(count);
    const auto a = RandomBytes(count, 3);
    const auto b = RandomBytes(count, 4);
    const double wa = 0.3137, wb = 1.0 / 3.0;
    std::vector<double> sums(count, -1.0);
    AddWeightedBytes(a.data(), count, wa, true, sums.data());
    AddWeightedBytes(b.data(), count, wb, false, sums.data());
    for (std::size_t k = 0; k < count; ++k) {
      const volatile double first = wa * a[k];
      const volatile double second = wb * b[k];
      ASSERT_EQ(sums[k], first + second) << k;
    }
  }
}

TEST(AreaRowKernels, ScaleTruncatesAndClampsEachLevel) {
  for (std::size_t count : kCounts) {
    SCOPED_TRACE(count);
    std::mt19937 random(5);
    std::vector<std::int32_t> ints(count);
    std::vector<double> doubles(count);
    for (std::size_t k = 0; k < count; ++k) {
      // Levels from well below 0 to well above 255, and exact levels that need the slack.
      ints[k] = static_cast<std::int32_t>(random() % 1400) - 200;
      doubles[k] = k % 3 == 0 ? 40.0 * 3 - 1e-13 : static_cast<double>(ints[k]) + 0.37;
    }
    const double scale = 1.0 / 3.0;
    std::vector<std::uint8_t> fromInts(count), fromDoubles(count);
    ScaleSumsToBytes(ints.data(), count, scale, fromInts.data());
    ScaleSumsToBytes(doubles.data(), count, scale, fromDoubles.data());
    for (std::size_t k = 0; k < count; ++k) {
      ASSERT_EQ(fromInts[k], ExpectedByte(ints[k] * scale)) << k;
      ASSERT_EQ(fromDoubles[k], ExpectedByte(doubles[k] * scale)) << k;
    }
  }
}

}  // namespace
