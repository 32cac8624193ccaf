#include "app/batch/CollectFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

class CollectFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir("qm_scan_");
    root = dir.string() + "/";
  }
  void TearDown() override { fs::remove_all(dir); }

  void Touch(const std::string& relative) {
    fs::create_directories((dir / relative).parent_path());
    std::ofstream(dir / relative) << "x";
  }
  std::vector<std::string> Sorted(bool recurse) {
    std::vector<std::string> list{"stale entry"};
    CollectFiles(root, "*.*", recurse, list);
    std::sort(list.begin(), list.end());
    return list;
  }

  fs::path dir;
  std::string root;
};

TEST_F(CollectFilesTest, DottedFilesWithAndWithoutSubfolders) {
  Touch("a.jpg");
  Touch("b");
  Touch("c.txt");
  Touch("sub/d.bmp");
  Touch("sub/deeper/e.tif");
  EXPECT_EQ(Sorted(true),
            (std::vector<std::string>{root + "a.jpg", root + "c.txt", root + "sub/d.bmp",
                                      root + "sub/deeper/e.tif"}));
  EXPECT_EQ(Sorted(false), (std::vector<std::string>{root + "a.jpg", root + "c.txt"}));
}

TEST_F(CollectFilesTest, SubfolderContentSitsAtTheSubfoldersPlace) {
  Touch("sub/d1.bmp");
  Touch("sub/d2.bmp");
  Touch("sub/inner/e.bmp");
  Touch("z.jpg");
  std::vector<std::string> list;
  CollectFiles(root, "*.*", true, list);
  ASSERT_EQ(list.size(), 4u);
  // The three files of sub are adjacent, whatever the directory order.
  const auto first = std::find_if(
      list.begin(), list.end(), [&](const std::string& p) { return p.starts_with(root + "sub/"); });
  ASSERT_NE(first, list.end());
  ASSERT_LE(first + 3, list.end());
  EXPECT_TRUE(std::all_of(first, first + 3,
                          [&](const std::string& p) { return p.starts_with(root + "sub/"); }));
}

TEST_F(CollectFilesTest, DotFoldersAreNotEnteredButDotFilesAreCollected) {
  Touch(".cache/x.jpg");
  Touch(".hidden.jpg");
  EXPECT_EQ(Sorted(true), (std::vector<std::string>{root + ".hidden.jpg"}));
}

TEST_F(CollectFilesTest, MissingRootStillClearsTheList) {
  std::vector<std::string> list{"stale"};
  CollectFiles(dir.string() + "/absent/", "*.*", true, list);
  EXPECT_TRUE(list.empty());
}

TEST_F(CollectFilesTest, LinksToFoldersAreNotFollowed) {
  Touch("real/p.jpg");
  Touch("q.jpg");
  fs::create_directory_symlink(dir, dir / "real" / "loop");
  fs::create_directory_symlink(dir / "real", dir / "alias.jpg");
  fs::create_symlink(dir / "q.jpg", dir / "link.jpg");
  EXPECT_EQ(Sorted(true),
            (std::vector<std::string>{root + "link.jpg", root + "q.jpg", root + "real/p.jpg"}));
}

TEST_F(CollectFilesTest, DescentStopsAtTheLastLevel) {
  // 101 levels of folders below the root, a file in each one and in the root.
  std::string relative;
  Touch("f0.jpg");
  for (int depth = 1; depth <= 101; ++depth) {
    relative += "d/";
    Touch(relative + "f" + std::to_string(depth) + ".jpg");
  }
  std::vector<std::string> list;
  CollectFiles(root, "*.*", true, list);
  // Level 1 enumerates the root, level 100 the folder 99 below it.
  EXPECT_EQ(list.size(), 100u);
  const std::string deepest = "f" + std::to_string(TFolderScanner::kMaxLevels - 1) + ".jpg";
  EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                          [&](const std::string& p) { return p.ends_with("/" + deepest); }));
}

}  // namespace
