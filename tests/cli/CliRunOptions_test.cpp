#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "tests/app/batch/SampleImages.h"
#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;
using sample_images::ReadJpegFrame;
using sample_images::WriteBmp;
using sample_images::WriteJpeg;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// Every regular file under the folder by relative path, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder))
    return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = ReadAll(entry.path());
  }
  return files;
}

// RFC 4180 fields of one CSV record that holds no line break.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  EXPECT_FALSE(quoted) << line;
  return fields;
}

struct JpegComponent {
  int id;
  int sampling;  ///< horizontal factor in the high nibble, vertical in the low one
};

std::vector<JpegComponent> FrameComponents(const fs::path& path) {
  const std::string data = ReadAll(path);
  std::vector<JpegComponent> components;
  for (std::size_t pos = 2; pos + 4 <= data.size() && data[pos] == '\xFF';) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    const std::size_t length = static_cast<std::size_t>(byte(pos + 2) << 8 | byte(pos + 3));
    const int marker = byte(pos + 1);
    if (marker >= 0xC0 && marker <= 0xC2 && pos + 10 <= data.size()) {
      for (std::size_t c = 0; c < byte(pos + 9) && pos + 12 + 3 * c < data.size(); ++c)
        components.push_back({byte(pos + 10 + 3 * c), byte(pos + 11 + 3 * c)});
      break;
    }
    pos += 2 + length;
  }
  return components;
}

void SetTimes(const fs::path& path, std::time_t accessed, std::time_t modified) {
  const timespec times[2] = {{accessed, 0}, {modified, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class CliRunOptionsTest : public CliTest {
 protected:
  // Photos of different sides in two folders, and a JPEG and a BMP that both become a.jpg.
  void WriteFolder() {
    ASSERT_TRUE(WriteJpeg(source / "wide.jpg", 120, 64, 1));
    ASSERT_TRUE(WriteJpeg(source / "sub" / "tall.JPG", 48, 90, 2));
    WriteBmp(source / "sub" / "square.bmp", 70, 70, 3);
    ASSERT_TRUE(WriteJpeg(source / "a.jpg", 64, 64, 4));
    WriteBmp(source / "a.bmp", 96, 48, 5);
  }
  std::string Clash() const { return " all become " + (root / "out" / "a.jpg").string() + "; "; }
};

TEST_F(CliRunOptionsTest, ADryRunWritesNothingAndPlansWhatTheRunThenDoes) {
  WriteFolder();
  const fs::path out = root / "out";
  const CliRun plan = Run({"--dry-run", "--subfolders", "--size", "1024x768", "--equalize",
                           source.string(), out.string()});
  EXPECT_EQ(plan.status, 0) << plan.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_NE(plan.err.find(Clash()), std::string::npos) << plan.err;
  EXPECT_NE(plan.out.find("Would convert 5, skipped 0, failed 0"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("  clash: "), std::string::npos);

  // "SOURCE -> TARGET: WxH -> WxH, effects: ..."; the last plan for a target is what stays.
  std::map<std::string, std::pair<int, int>> planned;
  for (const std::string& line : Lines(plan.out)) {
    const std::size_t arrow = line.find(" -> ");
    const std::size_t colon = line.find(": ", arrow);
    int sides[4] = {};
    if (arrow == std::string::npos || colon == std::string::npos ||
        std::sscanf(line.c_str() + colon + 2, "%dx%d -> %dx%d, effects: equalize", &sides[0],
                    &sides[1], &sides[2], &sides[3]) != 4) {
      continue;
    }
    planned[line.substr(arrow + 4, colon - arrow - 4)] = {sides[2], sides[3]};
    if (line.starts_with((source / "sub" / "tall.JPG").string() + " -> ")) {
      EXPECT_EQ(std::make_pair(sides[0], sides[1]), std::make_pair(48, 90)) << line;
    }
  }
  ASSERT_EQ(planned.size(), 4u) << plan.out;

  const CliRun run =
      Run({"--subfolders", "--size", "1024x768", "--equalize", source.string(), out.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(Clash()), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("  clash: "), std::string::npos) << run.out;
  EXPECT_EQ(Tree(out).size(), planned.size());
  for (const auto& [target, sides] : planned) {
    const auto frame = ReadJpegFrame(target);
    EXPECT_EQ(std::make_pair(frame.width, frame.height), sides) << target;
  }
}

TEST_F(CliRunOptionsTest, UpdateConvertsOnlyChangedPhotosAndKeepDatesCarriesTheirTimes) {
  WriteFolder();
  const std::time_t accessed = 1000000000;
  const std::time_t modified = 1100000000;
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (entry.is_regular_file())
      SetTimes(entry.path(), accessed, modified);
  }
  const fs::path out = root / "out";
  const std::vector<std::string> arguments = {"--update", "--keep-dates", "--subfolders",
                                              source.string(), out.string()};
  const CliRun first = Run(arguments);
  // The JPEG or the BMP that becomes a.jpg is replaced by the other one anyway.
  EXPECT_NE(first.out.find("Converted 4, up to date 1, skipped"), std::string::npos) << first.out;
  for (const char* name : {"wide.jpg", "sub/tall.jpg", "sub/square.jpg", "a.jpg"}) {
    struct stat info {};
    ASSERT_EQ(stat((out / name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_atim.tv_sec, accessed) << name;
    EXPECT_EQ(info.st_mtim.tv_sec, modified) << name;
  }
  const std::string whole = ReadAll(out / "a.jpg");
  EXPECT_EQ(Run({"--subfolders", source.string(), (root / "plain").string()}).status, 0);
  EXPECT_EQ(whole, ReadAll(root / "plain" / "a.jpg")) << "the same photo stays as without --update";

  const std::string before = ReadAll(out / "wide.jpg");
  const CliRun second = Run(arguments);
  EXPECT_NE(second.out.find("Converted 0, up to date 5, skipped"), std::string::npos) << second.out;

  SetTimes(source / "sub" / "tall.JPG", accessed, modified + 60);
  const CliRun third = Run(arguments);
  EXPECT_NE(third.out.find("Converted 1, up to date 4, skipped"), std::string::npos) << third.out;
  struct stat info {};
  ASSERT_EQ(stat((out / "sub" / "tall.jpg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, modified + 60);
  EXPECT_EQ(ReadAll(out / "wide.jpg"), before);
}

TEST_F(CliRunOptionsTest, TheReportHasOneRowPerPhotoAsCsvAndAsJsonLines) {
  WriteFolder();
  std::ofstream(source / "broken, \"quoted\".jpg") << "no JPEG here";
  for (const char* name : {"report.csv", "report.jsonl"}) {
    const fs::path report = root / name;
    const CliRun run = Run(
        {"--report", report.string(), "--subfolders", source.string(), (root / "out").string()});
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<std::string> rows = Lines(ReadAll(report));
    if (fs::path(name).extension() == ".csv") {
      ASSERT_EQ(rows.size(), 7u);
      EXPECT_EQ(rows[0],
                "source,target,outcome,reason,source_width,source_height,output_width,"
                "output_height,bytes_in,bytes_out,milliseconds");
      std::map<std::string, std::vector<std::string>> bySource;
      for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> fields = CsvFields(rows[i]);
        ASSERT_EQ(fields.size(), 11u) << rows[i];
        bySource[fs::path(fields[0]).filename().string()] = fields;
      }
      const auto& wide = bySource["wide.jpg"];
      EXPECT_EQ(std::vector<std::string>(wide.begin() + 2, wide.begin() + 9),
                (std::vector<std::string>{"converted", "", "120", "64", "60", "32",
                                          std::to_string(fs::file_size(source / "wide.jpg"))}));
      EXPECT_EQ(wide[9], std::to_string(fs::file_size(root / "out" / "wide.jpg")));
      EXPECT_EQ(bySource["broken, \"quoted\".jpg"][2], "not converted");
      // The BMP comes later in the list on some file systems and earlier on others.
      EXPECT_EQ(bySource["a.jpg"][2] == "clash", bySource["a.bmp"][2] == "converted");
      EXPECT_NE(bySource["a.jpg"][2], bySource["a.bmp"][2]);
    } else {
      ASSERT_EQ(rows.size(), 6u);
      const std::string check =
          "python3 -c 'import json,sys\nfor l in open(sys.argv[1]):\n r=json.loads(l)\n "
          "assert len(r)==11 and r[\"outcome\"] in (\"converted\",\"clash\",\"not converted\")' '" +
          report.string() + "'";
      if (std::system("python3 -c 1 2>/dev/null") == 0)
        EXPECT_EQ(std::system(check.c_str()), 0) << ReadAll(report);
      else
        GTEST_LOG_(INFO) << "python3 not found: JSON Lines not parsed";
    }
  }
}

TEST_F(CliRunOptionsTest, FourShardsTogetherWriteExactlyWhatOneWholeRunWrites) {
  WriteFolder();
  for (int i = 0; i < 12; ++i)
    WriteBmp(source / ("s" + std::to_string(i % 3)) / ("p" + std::to_string(i) + ".bmp"), 30, 20,
             i);
  const CliRun whole = Run({"--subfolders", source.string(), (root / "whole").string()});
  EXPECT_EQ(whole.status, 0) << whole.err;
  for (const char* shard : {"1/4", "2/4", "3/4", "4/4"}) {
    const CliRun run =
        Run({"--shard", shard, "--subfolders", source.string(), (root / "shards").string()});
    EXPECT_EQ(run.status, 0) << run.err;
  }
  const auto expected = Tree(root / "whole");
  EXPECT_EQ(expected.size(), 16u);
  EXPECT_TRUE(Tree(root / "shards") == expected);
  EXPECT_EQ(Run({"--shard", "5/4", source.string(), "out"}).status, 2);
}

TEST_F(CliRunOptionsTest, ColourYCbCrWritesHalvedChromaAndTheDefaultStaysRgb) {
  ASSERT_TRUE(WriteJpeg(source / "p.jpg", 64, 48, 1));
  ASSERT_EQ(Run({source.string(), (root / "rgb").string()}).status, 0);
  ASSERT_EQ(Run({"--colour", "ycbcr", source.string(), (root / "ycc").string()}).status, 0);
  const auto rgb = FrameComponents(root / "rgb" / "p.jpg");
  const auto ycc = FrameComponents(root / "ycc" / "p.jpg");
  ASSERT_EQ(rgb.size(), 3u);
  ASSERT_EQ(ycc.size(), 3u);
  EXPECT_EQ(rgb[0].id, 'R');
  EXPECT_EQ(rgb[0].sampling, 0x11);
  EXPECT_EQ(ycc[0].id, 1);
  EXPECT_EQ(ycc[0].sampling, 0x22);
  EXPECT_EQ(ycc[1].sampling, 0x11);
  EXPECT_EQ(ycc[2].sampling, 0x11);
  EXPECT_EQ(Run({"--colour", "cmyk", source.string(), "out"}).status, 2);
}

TEST_F(CliRunOptionsTest, FastKeepsTheSizesAndCombinesWithYCbCr) {
  ASSERT_TRUE(WriteJpeg(source / "p.jpg", 400, 300, 1));
  ASSERT_EQ(Run({"--size", "25%", source.string(), (root / "exact").string()}).status, 0);
  ASSERT_EQ(Run({"--fast", "--colour", "ycbcr", "--size", "25%", source.string(),
                 (root / "fast").string()})
                .status,
            0);
  const auto exact = ReadJpegFrame(root / "exact" / "p.jpg");
  const auto fast = ReadJpegFrame(root / "fast" / "p.jpg");
  EXPECT_EQ(fast.width, exact.width);
  EXPECT_EQ(fast.height, exact.height);
  EXPECT_EQ(FrameComponents(root / "fast" / "p.jpg")[0].sampling, 0x22);
  // Nothing to shrink at the full size: the same bytes as without the option.
  ASSERT_EQ(Run({"--size", "100%", source.string(), (root / "full").string()}).status, 0);
  ASSERT_EQ(
      Run({"--fast", "--size", "100%", source.string(), (root / "full-fast").string()}).status, 0);
  EXPECT_TRUE(Tree(root / "full") == Tree(root / "full-fast"));
}

TEST_F(CliRunOptionsTest, MetadataStripLeavesOnlyTheIccProfile) {
  const fs::path photo = CorpusDir() / "exif/exif-samples/Nikon_D70.jpg";
  if (!fs::exists(photo) || std::system("exiftool -ver >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs " << photo << " and exiftool";
  fs::copy_file(photo, source / "p.jpg");
  ASSERT_EQ(Run({"--metadata", "strip", source.string(), (root / "out").string()}).status, 0);
  const auto groups = [&](const fs::path& file) {
    const std::string list = (root / "groups").string();
    EXPECT_EQ(std::system(("exiftool -G -s '" + file.string() + "' >'" + list + "'").c_str()), 0);
    return ReadAll(list);
  };
  const std::string before = groups(source / "p.jpg");
  const std::string after = groups(root / "out" / "p.jpg");
  for (const char* group : {"[EXIF]", "[XMP]", "[ICC_Profile]"})
    EXPECT_NE(before.find(group), std::string::npos) << group << " in the source";
  for (const char* group : {"[EXIF]", "[XMP]", "[IPTC]", "[MakerNotes]", "[Photoshop]"})
    EXPECT_EQ(after.find(group), std::string::npos) << group << '\n' << after;
  EXPECT_NE(after.find("[ICC_Profile]"), std::string::npos) << after;
  EXPECT_EQ(Run({"--metadata", "none", source.string(), "out"}).status, 2);
}

}  // namespace

TEST_F(CliRunOptionsTest, AClashWithATiffIsNamedFirstAndALastSourceThatFailsReplacesNothing) {
  if (std::system("command -v ppm2tiff >/dev/null") != 0)
    GTEST_SKIP() << "needs ppm2tiff";
  ASSERT_TRUE(WriteJpeg(source / "a.jpg", 64, 48, 1));
  const fs::path ppm = root / "a.ppm";
  ASSERT_TRUE(WriteJpeg(root / "a-source.jpg", 40, 30, 2));
  ASSERT_EQ(std::system(("djpeg -pnm -outfile '" + ppm.string() + "' '" +
                         (root / "a-source.jpg").string() + "' && ppm2tiff '" + ppm.string() +
                         "' '" + (source / "a.tif").string() + "'")
                            .c_str()),
            0);
  const fs::path report = root / "report.csv";
  const CliRun run = Run({"--report", report.string(), source.string(), (root / "out").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.starts_with("warning: ")) << run.err;
  EXPECT_NE(run.err.find(Clash()), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("  clash: "), std::string::npos) << run.out;
  const std::vector<std::string> rows = Lines(ReadAll(report));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(CsvFields(rows[1])[2], "clash");
  EXPECT_EQ(CsvFields(rows[2])[2], "converted");

  // The source that stays fails: the other's output is the one written, and no clash is told.
  const std::string last = CsvFields(rows[2])[0];
  std::ofstream(last, std::ios::trunc) << "not a photo";
  fs::remove_all(root / "out");
  EXPECT_EQ(Run({"--report", report.string(), source.string(), (root / "out").string()}).status, 1);
  const std::vector<std::string> after = Lines(ReadAll(report));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(CsvFields(after[1])[2], "converted") << after[1];
  EXPECT_EQ(CsvFields(after[2])[2], "not converted") << after[2];
  EXPECT_TRUE(fs::exists(root / "out" / "a.jpg"));
}
