#include "platform/VectorPath.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(VectorPathTest, ForcingNarrowsButNeverWidensThePath) {
  const VectorPath before = ActiveVectorPath();
  for (VectorPath path : {VectorPath::Scalar, VectorPath::Sse2, VectorPath::Avx2}) {
    ForceVectorPath(path);
    EXPECT_EQ(ActiveVectorPath(), std::min(path, SupportedVectorPath()));
  }
  ForceVectorPath(std::nullopt);
  EXPECT_EQ(ActiveVectorPath(), before);
}

}  // namespace
