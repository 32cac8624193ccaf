#include "app/batch/FolderUtils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

class FolderUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override { root = MakeTempDir("qm_folders_"); }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

TEST_F(FolderUtilsTest, FolderExistsOnlyForDirectories) {
  std::ofstream(root / "file.jpg") << "x";
  EXPECT_TRUE(FolderExists(root.string()));
  EXPECT_TRUE(FolderExists(root.string() + "/"));
  EXPECT_FALSE(FolderExists((root / "file.jpg").string()));
  EXPECT_FALSE(FolderExists((root / "absent").string()));
  EXPECT_FALSE(FolderExists(""));
}

TEST_F(FolderUtilsTest, CreatesEveryMissingParent) {
  const std::string path = (root / "Out" / "sub").string() + "/";
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(fs::is_directory(root / "Out" / "sub"));
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(CreateFolderPath("/"));
}

TEST_F(FolderUtilsTest, ARelativePathEndsAtItsFirstComponent) {
  const fs::path previous = fs::current_path();
  fs::current_path(root);
  EXPECT_TRUE(CreateFolderPath("rel/a/b/"));
  fs::current_path(previous);
  EXPECT_TRUE(fs::is_directory(root / "rel" / "a" / "b"));
}

TEST_F(FolderUtilsTest, FailsWhereAFileOrPermissionsBlockTheWay) {
  std::ofstream(root / "blocker") << "x";
  EXPECT_FALSE(CreateFolderPath((root / "blocker" / "sub").string()));
  if (geteuid() != 0) {
    fs::create_directory(root / "locked");
    fs::permissions(root / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(CreateFolderPath((root / "locked" / "a" / "b").string()));
    fs::permissions(root / "locked", fs::perms::owner_all);
  }
  EXPECT_THROW(
      {
        try {
          CreateFolderPath("");
        } catch (const std::runtime_error& error) {
          EXPECT_STREQ(error.what(), "Unable to create directory");
          throw;
        }
      },
      std::runtime_error);
}

TEST(DirectoryPartTest, KeepsTheLastSeparator) {
  EXPECT_EQ(DirectoryPart("/out/sub/x.jpg"), "/out/sub/");
  EXPECT_EQ(DirectoryPart("x.jpg"), "");
}

}  // namespace
