#include <gtest/gtest.h>

#include "imaging/io/TImagerIO.h"
#include "tests/imaging/io/tiff/TiffBuilder.h"
#include "tests/imaging/io/tiff/TiffTestSupport.h"
#include "tests/support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> RgbaPage() {
  TTiffBuilder builder;
  builder.Page().Image(2, 1, 4, 8, 2).Shorts(338, {2}).Rational(282, 150, 1).Rational(283, 150, 1);
  builder.Strip({1, 2, 3, 40, 4, 5, 6, 255});
  return builder.Build();
}

TEST(TiffDispatch, FileLoadFillsContainerAlphaAndFormat) {
  const fs::path dir = MakeTempDir("tiff_dispatch");
  const std::vector<std::uint8_t> bytes = RgbaPage();
  for (const char* name : {"scan.TIF", "scan.tiff", "page.fax"}) {
    SCOPED_TRACE(name);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    TImagerIO io;
    io.LoadFromFile((dir / name).string());
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FormatId, 1);
    EXPECT_EQ(io.Params().SourcePath, (dir / name).string());
    EXPECT_EQ(io.Params().ResolutionX, 150);
    EXPECT_EQ(PixelAt(*io.Bitmap(), 1, 0), (TRgb{4, 5, 6}));
    ASSERT_TRUE(io.Bitmap()->HasAlphaChannel());
    EXPECT_EQ(io.Bitmap()->AlphaChannel()->RowPtr(0)[0], 40);
  }
  fs::remove_all(dir);
}

TEST(TiffDispatch, StreamLoadWithBlockHeaderAnswersPagesAndMovesPastTheData) {
  std::vector<std::uint8_t> page = RgbaPage();
  std::vector<std::uint8_t> stream = {'T', 'I', 'F', 'F', 0, 0, 0, 0};
  const auto length = static_cast<std::uint32_t>(page.size());
  for (int i = 0; i < 4; ++i)
    stream.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  stream.insert(stream.end(), page.begin(), page.end());
  stream.push_back(0x5A);
  TMemoryStream memory(stream);
  TImagerIO io;
  EXPECT_EQ(io.LoadTiffStream(memory, true), 1);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FormatId, 1);
  EXPECT_TRUE(io.Params().SourcePath.empty());
  EXPECT_EQ(memory.Position(), std::int64_t(stream.size()) - 1);

  stream[0] = 'J';
  TMemoryStream wrongTag(stream);
  io.LoadTiffStream(wrongTag, true);
  EXPECT_TRUE(io.Aborting());
}

}  // namespace
