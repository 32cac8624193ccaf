#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgFileBuffer.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestPaths.h"

namespace {

std::vector<std::uint8_t> Pattern(std::size_t length, int seed) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

TEST(TImgFileBuffer, CopiesWholeFilesAndRangesThroughTheBuffer) {
  const auto dir = MakeTempDir("qmfilebuf");
  const std::int64_t size = 3 * 1048576 + 123;  // several copy buffers and a remainder
  TImgFileBuffer source;
  TImgFileBuffer target;
  ASSERT_TRUE(source.Create(size, (dir / "nested" / "deeper").string()));
  ASSERT_TRUE(target.Create(size, dir.string()));
  const auto bytes = Pattern(static_cast<std::size_t>(size), 5);
  ASSERT_TRUE(source.WriteAt(0, bytes.data(), size));

  ASSERT_TRUE(TImgFileBuffer::CopyFile(source, 0, target, 0, size));
  std::vector<std::uint8_t> back(static_cast<std::size_t>(size));
  ASSERT_TRUE(target.ReadAt(0, back.data(), size));
  EXPECT_EQ(back, bytes);

  // A part copied to another offset goes through the 1 MiB buffer.
  const auto zeros = std::vector<std::uint8_t>(static_cast<std::size_t>(size), 0);
  ASSERT_TRUE(target.WriteAt(0, zeros.data(), size));
  const std::int64_t length = 1048576 + 7;
  ASSERT_TRUE(TImgFileBuffer::CopyFile(source, 100, target, 2000, length));
  ASSERT_TRUE(target.ReadAt(0, back.data(), size));
  EXPECT_EQ(back[1999], 0);
  EXPECT_EQ(back[2000], bytes[100]);
  EXPECT_EQ(back[static_cast<std::size_t>(2000 + length - 1)],
            bytes[static_cast<std::size_t>(100 + length - 1)]);
  EXPECT_EQ(back[static_cast<std::size_t>(2000 + length)], 0);

  // Reading past the end of the source fails instead of copying garbage.
  EXPECT_FALSE(TImgFileBuffer::CopyFile(source, size - 10, target, 0, 20));
  const std::string path = source.Path();
  source.Close();
  EXPECT_FALSE(std::filesystem::exists(path));
  std::filesystem::remove_all(dir);
}

TEST(TImgFileBuffer, RowsAreWrittenBackOnlyWhenFetchedForWriting) {
  const auto dir = MakeTempDir("qmfilebuf");
  TImgFileBuffer store;
  ASSERT_TRUE(store.Create(32, dir.string()));
  std::uint8_t* row = store.FetchRow(16, 16, true, true);
  row[0] = 1;
  EXPECT_EQ(store.FetchRow(16, 16, true, false), row);  // one buffer per row
  store.ReleaseRow(16);
  std::uint8_t* readOnly = store.FetchRow(0, 16, true, false);
  readOnly[0] = 2;
  store.ReleaseAllRows();
  std::uint8_t bytes[32] = {};
  ASSERT_TRUE(store.ReadAt(0, bytes, 32));
  EXPECT_EQ(bytes[16], 1);
  EXPECT_EQ(bytes[0], 0);
  std::filesystem::remove_all(dir);
}

TEST(TImgFileBuffer, AFullDiskRaisesAnErrorNamingTheFileAndTheReason) {
  const auto dir = MakeTempDir("qmfilebuf");
  const std::int64_t rowLength = 256 * 1024;
  const auto outcome = RunOnSmallDisk(dir, 64 * 1024, [&] {
    TImgFileBuffer store;
    if (!store.Create(4 * rowLength, dir.string()))  // sparse: creating costs no space
      return 1;
    store.FetchRow(0, rowLength, false, true)[0] = 1;
    try {
      store.ReleaseRow(0);
      return 2;
    } catch (const EImgFileError& error) {
      const std::string text = error.what();
      if (text != "Cannot write temporary file " + store.Path() + ": No space left on device")
        return 3;
    }
    // The row was let go all the same: no holder is left with a buffer that is not on disk.
    if (store.IsFetched(0))
      return 4;
    return 0;
  });
  if (!outcome)
    GTEST_SKIP() << "no mount namespace for a small tmpfs";
  EXPECT_EQ(*outcome, 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
