#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/registry/FileFormatRegistry.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/imaging/io/registry/RegistryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace registrytest;

namespace {

constexpr int kXyzId = 100;
constexpr int kFailingId = 101;

// A made-up format: "XYZ1", width, height, then one gray byte per pixel. Written back as
// "XYZ1", width, height and the blue byte of each 24-bit pixel.
void ReadXyz(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool,
             TProgressRecord& progress) {
  std::uint8_t header[6];
  if (!stream.ReadExact(header, 6) || header[0] != 'X') {
    progress.Abort();
    return;
  }
  bitmap.Allocate(header[4], header[5], pfGray8);
  for (int y = 0; y < header[5]; ++y)
    stream.ReadExact(bitmap.RowPtr(y), header[4]);
  params.Width = header[4];
  params.Height = header[5];
}

void WriteXyz(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals&, TProgressRecord&) {
  std::vector<std::uint8_t> bytes = {'X', 'Y', 'Z', '1'};
  bytes.push_back(static_cast<std::uint8_t>(bitmap.Width()));
  bytes.push_back(static_cast<std::uint8_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x)
      bytes.push_back(bitmap.RowPtr(y)[3 * x]);
  }
  stream.WriteExact(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void RegisterTestFormats() {
  static std::once_flag once;
  std::call_once(once, [] {
    FileFormatEntry xyz;
    xyz.FormatId = kXyzId;
    xyz.DisplayName = "Test Bitmap";
    xyz.Extensions = "XYZ;XY2";
    xyz.Read = ReadXyz;
    xyz.Write = WriteXyz;
    xyz.Test = [](TByteStream& stream) {
      char magic[4] = {};
      return stream.ReadExact(magic, 4) && std::string(magic, 4) == "XYZ1";
    };
    AddFileFormat(xyz);
    FileFormatEntry failing;
    failing.FormatId = kFailingId;
    failing.Extensions = "ERR";
    failing.Read = [](TByteStream&, TImgBitmap& bitmap, TIOParamsVals&, bool, TProgressRecord&) {
      bitmap.Allocate(1, 1, pfBGR24);
      throw std::runtime_error("broken reader");
    };
    failing.Write = [](TByteStream& stream, TImgBitmap&, TIOParamsVals&, TProgressRecord&) {
      stream.WriteExact("partial", 7);
      throw std::runtime_error("broken writer");
    };
    AddFileFormat(failing);
  });
}

const std::vector<std::uint8_t> kXyzFile = {'X', 'Y', 'Z', '1', 3, 2, 10, 20, 30, 40, 50, 60};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestFormats();
    dir = MakeTempDir("qmregistry");
    counter.Attach(io);
  }
  void TearDown() override { fs::remove_all(dir); }

  // A 40 x 30 photo in the container, to see whether a failed load leaves it.
  void LoadPhoto() {
    WriteFile(dir / "photo.jpg", oracle::Encode(40, 30, oracle::Pattern(40, 30), {}));
    io.LoadFromFile((dir / "photo.jpg").string());
    ASSERT_FALSE(io.Aborting());
  }

  fs::path dir;
  TImagerIO io;
  FinishCounter counter;
};

}  // namespace

TEST_F(RegistryTest, AddedRowLoadsAndSavesItsExtension) {
  const fs::path source = dir / "a.xyz";
  WriteFile(source, kXyzFile);
  io.LoadFromFile(source.string());
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(counter.finished, 1);
  EXPECT_EQ(io.Params().FormatId, kXyzId);
  EXPECT_EQ(io.Params().SourcePath, source.string());
  ASSERT_EQ(io.Bitmap()->Width(), 3);
  EXPECT_EQ(io.Bitmap()->RowPtr(1)[2], 60);

  // The second extension of the row, in another case; the gray image is widened to 24 bits.
  const fs::path target = dir / "b.Xy2";
  io.SaveToFile(target.string());
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(counter.finished, 2);
  EXPECT_EQ(io.Params().FormatId, kXyzId);
  EXPECT_EQ(io.Params().SourcePath, target.string());
  EXPECT_EQ(ReadFile(target), kXyzFile);
}

TEST_F(RegistryTest, ThrowingOperationsEndWithAbortAndLeaveNoFile) {
  LoadPhoto();
  WriteFile(dir / "a.err", {1, 2, 3});
  EXPECT_NO_THROW(io.LoadFromFile((dir / "a.err").string()));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(counter.finished, 2);

  const fs::path target = dir / "kept.err";
  WriteFile(target, {7, 7});
  EXPECT_NO_THROW(io.SaveToFile(target.string()));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(counter.finished, 3);
  EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{7, 7})) << "the existing file stays";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3)
      << "no temporary file is left behind";
}

TEST_F(RegistryTest, BuiltInRowsWithoutCodecFailInsteadOfPassingTheOldImageOff) {
  LoadPhoto();
  // ".pix" is listed only by the TGA row, which has no reader in this library.
  WriteFile(dir / "scan.pix", kXyzFile);
  io.LoadFromFile((dir / "scan.pix").string());
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(counter.finished, 2);
  EXPECT_EQ(io.Bitmap()->Width(), 40) << "the container keeps its image";

  struct SaveCase {
    const char* name;
    int finishes;  // the TGA row has a write operation; cursor and metafile rows have none
  };
  for (const SaveCase& save : {SaveCase{"out.pix", 1}, SaveCase{"out.cur", 0},
                               SaveCase{"out.wmf", 0}, SaveCase{"out.nothing", 0}}) {
    SCOPED_TRACE(save.name);
    const int before = counter.finished;
    io.SaveToFile((dir / save.name).string());
    EXPECT_TRUE(io.Aborting());
    EXPECT_EQ(counter.finished, before + save.finishes);
    EXPECT_FALSE(fs::exists(dir / save.name));
  }
}

TEST_F(RegistryTest, StreamLoadGoesToTheRowItsTestRecognises) {
  TMemoryStream stream(kXyzFile);
  io.LoadFromStream(stream);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(counter.finished, 1);
  EXPECT_EQ(io.Params().FormatId, kXyzId);
  EXPECT_TRUE(io.Params().SourcePath.empty());
  EXPECT_EQ(io.Bitmap()->RowPtr(0)[0], 10);
}

TEST_F(RegistryTest, StreamsWithoutAReaderEndWithAbortAndOneFinish) {
  LoadPhoto();
  const std::vector<std::vector<std::uint8_t>> streams = {
      {},                                                          // empty
      std::vector<std::uint8_t>(300, 'x'),                         // nothing recognisable
      {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13},  // a row without codec
      {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0},
  };
  for (std::size_t i = 0; i < streams.size(); ++i) {
    SCOPED_TRACE(i);
    const int before = counter.finished;
    TMemoryStream stream(streams[i]);
    io.LoadFromStream(stream);
    EXPECT_TRUE(io.Aborting());
    EXPECT_EQ(counter.finished, before + 1);
    EXPECT_EQ(io.Bitmap()->Width(), 40);
  }
}
