#pragma once

/// Resolution in dots per inch given to images whose file states none (below 2) and written
/// when the parameters hold 0. Library-wide: set once at start-up, only read afterwards.
struct TDefaultResolution {
  int x = 300;
  int y = 300;
};

inline TDefaultResolution DefaultResolution;
