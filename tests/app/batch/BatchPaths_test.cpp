#include "app/batch/BatchPaths.h"

#include <gtest/gtest.h>

namespace {

TEST(BatchPathsTest, PhotoExtensionsInAnyCaseOnly) {
  for (const char* path :
       {"/a/p.jpg", "/a/p.JPG", "/a/p.Tif", "/a/p.tiff", "/a/p.BMP", "/a/x.y.jpg"}) {
    EXPECT_TRUE(IsPhotoPath(path)) << path;
  }
  for (const char* path :
       {"/a/p.jpeg", "/a/notes.txt", "/a.jpg/readme", "/a/jpg", "/a/p.jpg.txt"}) {
    EXPECT_FALSE(IsPhotoPath(path)) << path;
  }
}

TEST(BatchPathsTest, AChosenListReplacesTheSpecifiedExtensions) {
  const std::vector<std::string> chosen = {".png", ".heic"};
  for (const char* path : {"/a/p.png", "/a/p.PNG", "/a/IMG_1.HEIC"})
    EXPECT_TRUE(IsPhotoPath(path, chosen)) << path;
  for (const char* path : {"/a/p.jpg", "/a/p.heif", "/a/png"})
    EXPECT_FALSE(IsPhotoPath(path, chosen)) << path;
}

TEST(BatchPathsTest, TargetKeepsTheRelativePlaceWithAJpgExtension) {
  const std::string source = "/home/u/Photos/";
  EXPECT_EQ(TargetPathFor("/home/u/Photos/sub/x.tiff", source.size(), "/out/"), "/out/sub/x.jpg");
  EXPECT_EQ(TargetPathFor("/home/u/Photos/p.JPG", source.size(), "/out/"), "/out/p.jpg");
  EXPECT_EQ(TargetPathFor("/home/u/Photos/a.b.bmp", source.size(), "/out/"), "/out/a.b.jpg");
  EXPECT_EQ(TargetPathFor("/home/u/Photos/v1.0/pic.bmp", source.size(), "/o//"),
            "/o//v1.0/pic.jpg");
  EXPECT_EQ(WithTrailingSeparator("/out"), "/out/");
  EXPECT_EQ(WithTrailingSeparator("/out/"), "/out/");
}

TEST(BatchPathsTest, PercentRoundsHalfToEven) {
  EXPECT_EQ(ConversionPercent(1, 8), 12);
  EXPECT_EQ(ConversionPercent(3, 8), 38);
  EXPECT_EQ(ConversionPercent(5, 8), 62);
  EXPECT_EQ(ConversionPercent(7, 8), 88);
  EXPECT_EQ(ConversionPercent(1, 200), 0);
  EXPECT_EQ(ConversionPercent(3, 200), 2);
  EXPECT_EQ(ConversionPercent(2, 3), 67);
  EXPECT_EQ(ConversionPercent(8, 8), 100);
}

}  // namespace
