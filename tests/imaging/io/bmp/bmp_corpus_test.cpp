#include <gtest/gtest.h>
#include <png.h>
#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/imaging/io/bmp/BmpTestLoad.h"
#include "tests/support/TestPaths.h"

namespace {

struct TReference {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;  // top row first
};

bool ReadPng(const std::filesystem::path& path, TReference& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
    return false;
  image.format = PNG_FORMAT_BGRA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.bgra.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out.bgra.data(), 0, nullptr) != 0;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

enum class TMatch {
  Exact,                   // every pixel equals the reference
  TopBits,                 // each channel holds the reference's top bits, the low bits zero
  WithinOne,               // channels wider than 8 bits keep their top 8 bits; the reference rounds
  OnesWhereNotFirstEntry,  // 1-bit: a bit is 0 exactly where the reference shows entry 0
  Aborts,                  // a layout the reader refuses
};

struct TCorpusCase {
  const char* file;
  const char* reference;
  TMatch match;
  std::array<int, 3> channelBits = {8, 8, 8};  // red, green, blue for TopBits
};

// The references show what the pictures mean. Where the reader's rules give something else
// on purpose, the match says how, and why:
// - 16-bit channels are widened with zero low bits, not scaled, so only the top bits match.
// - Alpha is dropped; where the reference is fully transparent it shows no colour to compare.
// - A 1-bit file keeps 1 as white unless its palette is exactly white then black; coloured
//   pairs and one-entry palettes are not applied.
// - pal8nonsquare-v is stretched for display; -e is the image as stored.
// - Pixels that run-length deltas skip are black (the -b renderings).
// - 2 bits, embedded JPEG and alpha bit fields are not decoded: the load aborts.
const TCorpusCase kCases[] = {
    {"bmpsuite/g/pal1.bmp", "pal1.png", TMatch::Exact},
    {"bmpsuite/g/pal1wb.bmp", "pal1.png", TMatch::Exact},
    {"bmpsuite/g/pal1bg.bmp", "pal1bg.png", TMatch::OnesWhereNotFirstEntry},
    {"bmpsuite/q/pal1p1.bmp", "pal1p1.png", TMatch::OnesWhereNotFirstEntry},
    {"bmpsuite/g/pal4.bmp", "pal4.png", TMatch::Exact},
    {"bmpsuite/g/pal4rle.bmp", "pal4.png", TMatch::Exact},
    {"bmpsuite/g/pal8.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8-0.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8os2.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8rle.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8topdown.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8v4.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8v5.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/g/pal8nonsquare.bmp", "pal8nonsquare-e.png", TMatch::Exact},
    {"bmpsuite/g/pal8w124.bmp", "pal8w124.png", TMatch::Exact},
    {"bmpsuite/g/pal8w125.bmp", "pal8w125.png", TMatch::Exact},
    {"bmpsuite/g/pal8w126.bmp", "pal8w126.png", TMatch::Exact},
    {"bmpsuite/q/pal8offs.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/q/pal8os2sp.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/q/pal8os2v2.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/q/pal8oversizepal.bmp", "pal8.png", TMatch::Exact},
    {"bmpsuite/q/pal4rletrns.bmp", "pal4rletrns-b.png", TMatch::Exact},
    {"bmpsuite/q/pal8rletrns.bmp", "pal8rletrns-b.png", TMatch::Exact},
    {"bmpsuite/g/rgb16.bmp", "rgb16.png", TMatch::TopBits, {5, 5, 5}},
    {"bmpsuite/g/rgb16-565.bmp", "rgb16-565.png", TMatch::TopBits, {5, 6, 5}},
    {"bmpsuite/g/rgb16-565pal.bmp", "rgb16-565.png", TMatch::TopBits, {5, 6, 5}},
    {"bmpsuite/q/rgb16-231.bmp", "rgb16-231.png", TMatch::TopBits, {2, 3, 1}},
    {"bmpsuite/q/rgba16-4444.bmp", "rgba16-4444.png", TMatch::TopBits, {4, 4, 4}},
    {"bmpsuite/g/rgb24.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/g/rgb24pal.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/q/rgb24largepal.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/g/rgb32.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/g/rgb32bf.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/q/rgb32fakealpha.bmp", "rgb24.png", TMatch::Exact},
    {"bmpsuite/q/rgb32-111110.bmp", "rgb24.png", TMatch::WithinOne},
    {"bmpsuite/q/pal2.bmp", nullptr, TMatch::Aborts},
    {"bmpsuite/q/rgb24jpeg.bmp", nullptr, TMatch::Aborts},
    {"bmpsuite/q/rgba32abf.bmp", nullptr, TMatch::Aborts},
    {"golang/bmp_1bpp.bmp", "golang/bmp_1bpp.png", TMatch::Exact},
    {"golang/bmp_4bpp.bmp", "golang/bmp_4bpp.png", TMatch::Exact},
    {"golang/bmp_8bpp.bmp", "golang/bmp_4bpp.png", TMatch::Exact},
    {"golang/video-001.bmp", "golang/video-001.png", TMatch::Exact},
};

// The container's pixel as blue, green, red, whatever its format.
std::array<std::uint8_t, 3> PixelBgr(TBmpLoad& load, int x, int y) {
  if (load.bitmap.PixelFormat() == pfBit1) {
    const std::uint8_t level = load.Bit(x, y) ? 255 : 0;
    return {level, level, level};
  }
  return load.Bgr(x, y);
}

void ExpectMatches(const TCorpusCase& test, TBmpLoad& load, const TReference& reference) {
  ASSERT_EQ(load.bitmap.Width(), reference.width);
  ASSERT_EQ(load.bitmap.Height(), reference.height);
  const std::uint8_t* firstEntry = load.params.ColorMap.data();
  int mismatches = 0;
  for (int y = 0; y < reference.height && mismatches < 5; ++y) {
    for (int x = 0; x < reference.width && mismatches < 5; ++x) {
      const std::uint8_t* want =
          &reference.bgra[static_cast<std::size_t>(y * reference.width + x) * 4];
      const auto got = PixelBgr(load, x, y);
      bool same = true;
      if (want[3] == 0)
        continue;
      if (test.match == TMatch::WithinOne) {
        for (int c = 0; c < 3; ++c)
          same = same && std::abs(got[static_cast<std::size_t>(c)] - want[c]) <= 1;
      } else if (test.match == TMatch::OnesWhereNotFirstEntry) {
        const bool isFirst = std::equal(want, want + 3, firstEntry);
        same = load.Bit(x, y) == !isFirst;
      } else {
        for (int c = 0; c < 3; ++c) {
          const int bits = test.match == TMatch::TopBits ? test.channelBits[2 - c] : 8;
          const auto topMask = static_cast<std::uint8_t>(0xFF00 >> bits);
          same = same && got[static_cast<std::size_t>(c)] == (want[c] & topMask);
        }
      }
      if (!same) {
        ++mismatches;
        ADD_FAILURE() << test.file << " at " << x << "," << y << ": got " << int(got[0]) << " "
                      << int(got[1]) << " " << int(got[2]) << ", reference " << int(want[0]) << " "
                      << int(want[1]) << " " << int(want[2]);
      }
    }
  }
}

}  // namespace

TEST(BmpCorpus, DecodesToTheReferencePictures) {
  const auto corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "shared corpus not present";
  for (const TCorpusCase& test : kCases) {
    SCOPED_TRACE(test.file);
    TBmpLoad load;
    load.Read(ReadFile(corpus / "bmp" / test.file));
    if (test.match == TMatch::Aborts) {
      EXPECT_TRUE(load.aborting);
      continue;
    }
    ASSERT_FALSE(load.aborting);
    TReference reference;
    ASSERT_TRUE(ReadPng(corpus / "bmp/ref" / test.reference, reference));
    ExpectMatches(test, load, reference);
  }
}

TEST(BmpCorpus, EveryFileLoadsOrFailsCleanly) {
  const auto corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "shared corpus not present";
  int files = 0;
  std::vector<std::string> damaged;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus / "bmp")) {
    if (entry.path().extension() != ".bmp")
      continue;
    SCOPED_TRACE(entry.path().string());
    ++files;
    TBmpLoad load;
    load.Read(ReadFile(entry.path()));
    if (!load.aborting) {
      EXPECT_EQ(load.bitmap.Width(), load.params.Width);
      EXPECT_EQ(load.bitmap.Height(), load.params.Height);
    }
    if (load.params.Damage.Damaged)
      damaged.push_back(entry.path().filename().string() + ": " + load.params.Damage.Reason);
  }
  EXPECT_GT(files, 50);
  std::sort(damaged.begin(), damaged.end());
  // The one file that really is cut short.
  EXPECT_EQ(damaged,
            std::vector<std::string>{"shortfile.bmp: Pixel data ends before the last row"});

  // Sizes that cannot be had end with the abort flag instead of an allocation.
  for (const char* name : {"reallybig.bmp", "badwidth.bmp", "badbitcount.bmp"}) {
    TBmpLoad load;
    load.Read(ReadFile(corpus / "bmp/bmpsuite/b" / name));
    EXPECT_TRUE(load.aborting) << name;
  }
}
