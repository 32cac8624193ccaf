#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ReplacingFile.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int EntryCount(const fs::path& dir) {
  return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(ReplacingFile, ReplacesTheTargetOnlyOnCommitAndKeepsItsMode) {
  const fs::path dir = MakeTempDir("qmreplace");
  const fs::path target = dir / "photo.jpg";
  std::ofstream(target) << "old";
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  {
    TReplacingFile file(target.string());
    ASSERT_TRUE(file.IsOpen());
    file.Stream().Write("partial", 7);
    EXPECT_EQ(Contents(target), "old");
  }
  EXPECT_EQ(Contents(target), "old") << "abandoned write leaves the target";
  EXPECT_EQ(EntryCount(dir), 1) << "and no temporary file";

  TReplacingFile file(target.string());
  file.Stream().Write("new", 3);
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(EntryCount(dir), 1);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::remove_all(dir);
}

TEST(ReplacingFile, CannotOpenInAMissingFolder) {
  const fs::path dir = MakeTempDir("qmreplace");
  TReplacingFile file((dir / "missing" / "x.jpg").string());
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Commit());
  fs::remove_all(dir);
}
