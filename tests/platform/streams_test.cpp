#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileStream.h"
#include "platform/MemoryStream.h"
#include "tests/support/TestPaths.h"

TEST(MemoryStream, ReadsWritesAndSeeksWithinItsBytes) {
  TMemoryStream stream;
  const char text[] = "abcdef";
  EXPECT_EQ(stream.Write(text, 6), 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Seek(2, TByteStream::Origin::Begin), 2);
  char out[8] = {};
  EXPECT_EQ(stream.Read(out, 8), 4);
  EXPECT_STREQ(out, "cdef");
  EXPECT_EQ(stream.Read(out, 1), 0);
  EXPECT_EQ(stream.Seek(-10, TByteStream::Origin::Current), -1);
  // Writing past the end grows the stream.
  stream.Seek(8, TByteStream::Origin::Begin);
  stream.Write("z", 1);
  EXPECT_EQ(stream.Size(), 9);
}

TEST(FileStream, RoundTripsAndRefusesFolders) {
  const auto dir = MakeTempDir("qmstream");
  const auto path = (dir / "f.bin").string();
  {
    TFileStream out(path, TFileStream::Mode::Create);
    ASSERT_TRUE(out.IsOpen());
    EXPECT_TRUE(out.WriteExact("hello", 5));
    EXPECT_EQ(out.Size(), 5);
  }
  TFileStream in(path, TFileStream::Mode::OpenRead);
  ASSERT_TRUE(in.IsOpen());
  char buffer[5];
  EXPECT_TRUE(in.ReadExact(buffer, 5));
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_FALSE(TFileStream(dir.string(), TFileStream::Mode::OpenRead).IsOpen());
  EXPECT_FALSE(TFileStream((dir / "missing").string(), TFileStream::Mode::OpenRead).IsOpen());
  std::filesystem::remove_all(dir);
}
