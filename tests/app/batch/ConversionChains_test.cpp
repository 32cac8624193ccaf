#include "app/batch/ConversionChains.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestPaths.h"

namespace {

using Chains = std::vector<std::vector<std::size_t>>;

TEST(ConversionChainsTest, IndependentJobsGetAChainEach) {
  const std::vector<TPhotoJob> jobs = {
      {0, "/s/a.jpg", "/t/a.jpg"}, {1, "/s/b.jpg", "/t/b.jpg"}, {3, "/s/c.bmp", "/t/c.jpg"}};
  EXPECT_EQ(ConversionChains(jobs), (Chains{{0}, {1}, {2}}));
  EXPECT_TRUE(ConversionChains({}).empty());
}

TEST(ConversionChainsTest, SameTargetsAndReadAfterWriteShareAChainInJobOrder) {
  const std::vector<TPhotoJob> jobs = {
      {0, "/s/a.jpg", "/t/a.jpg"},       // 0: same target as 2
      {1, "/s/b.jpg", "/s/sub/b.jpg"},   // 1: writes what 3 reads
      {2, "/s/a.bmp", "/t/a.jpg"},       // 2
      {3, "/s/sub/b.jpg", "/t/b2.jpg"},  // 3
      {4, "/s/c.tif", "/t//c.jpg"},      // 4: same file as 5 spelled otherwise
      {5, "/s/c.bmp", "/t/c.jpg"}};
  EXPECT_EQ(ConversionChains(jobs), (Chains{{0, 2}, {1, 3}, {4, 5}}));
}

TEST(ConversionChainsTest, TargetEqualToSourceJoinsTheJobsThatReadIt) {
  // "Target = Source": a.jpg is rewritten in place and a.bmp writes over it afterwards.
  const std::vector<TPhotoJob> jobs = {
      {0, "/s/a.bmp", "/s/a.jpg"}, {1, "/s/x.jpg", "/s/x.jpg"}, {2, "/s/a.jpg", "/s/a.jpg"}};
  EXPECT_EQ(ConversionChains(jobs), (Chains{{0, 2}, {1}}));
}

TEST(ConversionChainsTest, LinkedFoldersMeetUnderOneKey) {
  const std::filesystem::path dir = MakeTempDir("qm_chains_");
  std::filesystem::create_directory(dir / "real");
  std::filesystem::create_directory_symlink(dir / "real", dir / "alias");
  const std::vector<TPhotoJob> jobs = {{0, "/s/a.jpg", (dir / "real" / "a.jpg").string()},
                                       {1, "/s/b.jpg", (dir / "alias" / "a.jpg").string()}};
  EXPECT_EQ(ConversionChains(jobs), (Chains{{0, 1}}));
  std::filesystem::remove_all(dir);
}

}  // namespace
