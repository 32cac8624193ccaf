#pragma once

#include <array>
#include <vector>

// The geometry the area resampler shares between its rows: interpolation taps, clamped
// neighbours and, per target column, the source pieces it covers.

/// A source boundary this close below a target boundary counts as that target boundary.
constexpr double kAreaBoundaryTolerance = 0.0001;
constexpr int kAreaChannels = 3;

/// Weights of the neighbours at -1, 0, +1 and +2 for an interpolation at fraction f.
using AreaTaps = std::array<double, 4>;

/// Linear weights, or those of the cubic convolution kernel with a = -1.
AreaTaps InterpolationTaps(bool cubic, double f);

/// Neighbours -1, 0, +1, +2 of index i in 0..size-1, clamped as the edges require.
std::array<int, 4> Neighbours(int i, int size);

/// The horizontal pieces of one target row, in order, without those of length 0. Each piece
/// reads the accumulator at its source column, or at its own index when interpolating in x.
/// Per target column, the first run of whole pieces (length exactly 1) over consecutive
/// accumulator entries is kept apart, so that its sum needs no multiplications.
struct ColumnPlan {
  std::vector<int> first;                           // first piece of each target column, then end
  std::vector<int> accIndex;                        // accumulator index of each piece
  std::vector<std::array<int, 4>> neighbourOffset;  // byte offsets of its four source neighbours
  std::vector<AreaTaps> taps;                       // interpolation weights at the piece's fx
  std::vector<double> length;
  std::vector<int> runStart, runCount;  // the whole run of each target column
  std::vector<int> otherFirst;          // its other pieces, packed: first of each column, then end
  std::vector<int> otherIndex;
  std::vector<double> otherLength;
  // Every target column is a run of this many whole pieces right after the previous one
  // (an integer ratio), or 0.
  int uniformRun = 0;
};

ColumnPlan PlanColumns(int sourceWidth, int targetWidth, bool cubic);
