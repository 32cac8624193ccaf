#include "imaging/core/ColorQuantizer.h"

#include <algorithm>

namespace {

constexpr int kCells = 32 * 32 * 32;

int CellOf(const std::array<int, 3>& c) {
  return (c[0] << 10) | (c[1] << 5) | c[2];
}

}  // namespace

TColorQuantizer::TColorQuantizer(int maxColors)
    : maxColors_(std::clamp(maxColors, 1, 256)),
      count_(kCells, 0),
      sum_(kCells, {0, 0, 0}),
      nearest_(kCells, 0) {}

void TColorQuantizer::AddRow(const std::uint8_t* bgr, int width) {
  std::uint32_t lastKey = 0xFFFFFFFFu;
  for (int x = 0; x < width; ++x, bgr += 3) {
    const int cell = Cell(bgr[2], bgr[1], bgr[0]);
    ++count_[static_cast<std::size_t>(cell)];
    auto& sum = sum_[static_cast<std::size_t>(cell)];
    sum[0] += bgr[2];
    sum[1] += bgr[1];
    sum[2] += bgr[0];
    if (tooManyColours_)
      continue;
    const std::uint32_t key = bgr[0] | (bgr[1] << 8) | (static_cast<std::uint32_t>(bgr[2]) << 16);
    if (key == lastKey || exact_.count(key) != 0) {
      lastKey = key;
      continue;
    }
    lastKey = key;
    if (static_cast<int>(exact_.size()) >= maxColors_) {
      tooManyColours_ = true;
      exact_.clear();
    } else {
      exact_.emplace(key, 0);
    }
  }
}

void TColorQuantizer::Shrink(TBox& box) const {
  std::array<int, 3> low = {31, 31, 31};
  std::array<int, 3> high = {0, 0, 0};
  box.count = 0;
  std::array<int, 3> c{};
  for (c[0] = box.low[0]; c[0] <= box.high[0]; ++c[0]) {
    for (c[1] = box.low[1]; c[1] <= box.high[1]; ++c[1]) {
      for (c[2] = box.low[2]; c[2] <= box.high[2]; ++c[2]) {
        const std::int64_t n = count_[static_cast<std::size_t>(CellOf(c))];
        if (n == 0)
          continue;
        box.count += n;
        for (int axis = 0; axis < 3; ++axis) {
          low[axis] = std::min(low[axis], c[axis]);
          high[axis] = std::max(high[axis], c[axis]);
        }
      }
    }
  }
  if (box.count > 0) {
    box.low = low;
    box.high = high;
  }
}

bool TColorQuantizer::Split(TBox& box, TBox& upper) const {
  int axis = 0;
  for (int a = 1; a < 3; ++a) {
    if (box.high[a] - box.low[a] > box.high[axis] - box.low[axis])
      axis = a;
  }
  if (box.high[axis] == box.low[axis])
    return false;
  // Counts per slice along the longest side; cut where half the pixels lie below.
  std::array<std::int64_t, 32> slices{};
  std::array<int, 3> c{};
  for (c[0] = box.low[0]; c[0] <= box.high[0]; ++c[0]) {
    for (c[1] = box.low[1]; c[1] <= box.high[1]; ++c[1]) {
      for (c[2] = box.low[2]; c[2] <= box.high[2]; ++c[2]) {
        slices[static_cast<std::size_t>(c[axis])] += count_[static_cast<std::size_t>(CellOf(c))];
      }
    }
  }
  std::int64_t below = 0;
  int cut = box.low[axis];
  for (int s = box.low[axis]; s < box.high[axis]; ++s) {
    below += slices[static_cast<std::size_t>(s)];
    cut = s;
    if (below * 2 >= box.count)
      break;
  }
  upper = box;
  upper.low[axis] = cut + 1;
  box.high[axis] = cut;
  Shrink(box);
  Shrink(upper);
  return box.count > 0 && upper.count > 0;
}

std::array<std::uint8_t, 3> TColorQuantizer::MeanColour(const TBox& box) const {
  std::array<std::int64_t, 3> total{};
  std::array<int, 3> c{};
  for (c[0] = box.low[0]; c[0] <= box.high[0]; ++c[0]) {
    for (c[1] = box.low[1]; c[1] <= box.high[1]; ++c[1]) {
      for (c[2] = box.low[2]; c[2] <= box.high[2]; ++c[2]) {
        const auto& sum = sum_[static_cast<std::size_t>(CellOf(c))];
        for (int axis = 0; axis < 3; ++axis)
          total[axis] += sum[axis];
      }
    }
  }
  std::array<std::uint8_t, 3> mean{};
  for (int axis = 0; axis < 3; ++axis) {
    mean[axis] = static_cast<std::uint8_t>(box.count > 0 ? total[axis] / box.count : 0);
  }
  return mean;
}

int TColorQuantizer::Build(std::uint8_t* palette) {
  std::fill(palette, palette + 768, std::uint8_t{0});
  if (!tooManyColours_) {
    std::vector<std::uint32_t> colours;
    for (const auto& entry : exact_)
      colours.push_back(entry.first);
    std::sort(colours.begin(), colours.end());
    for (std::size_t i = 0; i < colours.size(); ++i) {
      exact_[colours[i]] = static_cast<std::uint8_t>(i);
      palette[3 * i] = static_cast<std::uint8_t>(colours[i] & 0xFF);
      palette[3 * i + 1] = static_cast<std::uint8_t>((colours[i] >> 8) & 0xFF);
      palette[3 * i + 2] = static_cast<std::uint8_t>(colours[i] >> 16);
    }
    return static_cast<int>(colours.size());
  }

  std::vector<TBox> boxes(1, TBox{{0, 0, 0}, {31, 31, 31}, 0});
  Shrink(boxes[0]);
  std::vector<bool> splittable(1, true);
  while (static_cast<int>(boxes.size()) < maxColors_) {
    // The most populated box that can still be cut goes next.
    std::size_t pick = boxes.size();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (splittable[i] && (pick == boxes.size() || boxes[i].count > boxes[pick].count))
        pick = i;
    }
    if (pick == boxes.size())
      break;
    TBox upper{};
    TBox lower = boxes[pick];
    if (!Split(lower, upper)) {
      splittable[pick] = false;
      continue;
    }
    boxes[pick] = lower;
    boxes.push_back(upper);
    splittable.push_back(true);
  }

  std::vector<std::array<std::uint8_t, 3>> colours;  // red, green, blue
  for (const TBox& box : boxes)
    colours.push_back(MeanColour(box));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    palette[3 * i] = colours[i][2];
    palette[3 * i + 1] = colours[i][1];
    palette[3 * i + 2] = colours[i][0];
  }
  for (int cell = 0; cell < kCells; ++cell) {
    const std::int64_t n = count_[static_cast<std::size_t>(cell)];
    if (n == 0)
      continue;
    const auto& sum = sum_[static_cast<std::size_t>(cell)];
    int best = 0;
    std::int64_t bestDistance = INT64_MAX;
    for (std::size_t i = 0; i < colours.size(); ++i) {
      std::int64_t distance = 0;
      for (int axis = 0; axis < 3; ++axis) {
        const std::int64_t d = sum[axis] / n - colours[i][static_cast<std::size_t>(axis)];
        distance += d * d;
      }
      if (distance < bestDistance) {
        bestDistance = distance;
        best = static_cast<int>(i);
      }
    }
    nearest_[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(best);
  }
  return static_cast<int>(colours.size());
}

void TColorQuantizer::MapRow(const std::uint8_t* bgr, std::uint8_t* indices, int width) const {
  for (int x = 0; x < width; ++x, bgr += 3) {
    if (tooManyColours_) {
      indices[x] = nearest_[static_cast<std::size_t>(Cell(bgr[2], bgr[1], bgr[0]))];
    } else {
      const std::uint32_t key = bgr[0] | (bgr[1] << 8) | (static_cast<std::uint32_t>(bgr[2]) << 16);
      const auto found = exact_.find(key);
      indices[x] = found != exact_.end() ? found->second : 0;
    }
  }
}
