#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/app/batch/SampleImages.h"
#include "tests/support/TestPaths.h"
#include "tools/BmpWriter.h"

namespace fs = std::filesystem;
using sample_images::ReadJpegFrame;
using sample_images::WriteBmp;
using sample_images::WriteJpeg;

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempDir("qm_cli_");
    source = root / "photos";
    fs::create_directories(source);
  }
  void TearDown() override {
    if (!root.empty())
      fs::remove_all(root);
  }

  CliRun Run(const std::vector<std::string>& arguments) {
    std::string command = QM_CLI_PATH;
    for (const std::string& argument : arguments)
      command += " '" + argument + "'";
    command += " >'" + (root / "stdout").string() + "' 2>'" + (root / "stderr").string() + "'";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadAll(root / "stdout");
    run.err = ReadAll(root / "stderr");
    return run;
  }

  fs::path root;
  fs::path source;
};

TEST_F(CliTest, UsageAndFolderErrorsExitWithTwo) {
  const CliRun help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: quillmere-cli"), std::string::npos);
  EXPECT_EQ(Run({"--version"}).status, 0);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"--size", "huge", source.string(), "out"}).status, 2);

  const CliRun missing = Run({(root / "absent").string(), (root / "out").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "Source folder not found\n");
  const CliRun emptyTarget = Run({source.string(), ""});
  EXPECT_EQ(emptyTarget.status, 2);
  EXPECT_EQ(emptyTarget.err, "Please specify target folder\n");
}

TEST_F(CliTest, ConvertsPhotosAndPrintsMessagesAndSummary) {
  ASSERT_TRUE(WriteJpeg(source / "p.JPG", 100, 60));
  ASSERT_TRUE(WriteJpeg(source / "sub" / "q.jpg", 80, 80));
  std::ofstream(source / "notes.txt") << "text";
  std::ofstream(source / "readme") << "text";
  const CliRun run = Run({"--subfolders", source.string(), (root / "out").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("Process is started. Please wait ...\n", 0), 0u) << run.out;
  // The text file is skipped without a progress step, so the last percent depends on its place.
  EXPECT_NE(run.out.find("%.\nOK! Process successfully finished.\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nConversion: "), std::string::npos);
  EXPECT_NE(run.out.find("Converted 2, skipped 1, failed 0 in "), std::string::npos);
  EXPECT_NE(run.out.find(" photos per second)"), std::string::npos);
  EXPECT_EQ(ReadJpegFrame(root / "out" / "p.jpg").width, 50);
  EXPECT_EQ(ReadJpegFrame(root / "out" / "sub" / "q.jpg").width, 40);

  EXPECT_EQ(Run({"--quiet", "--subfolders", source.string(), (root / "out").string()}).out, "");
}

TEST_F(CliTest, PhotosThatCannotBeLoadedAreNamedAndExitWithOne) {
  ASSERT_TRUE(WriteJpeg(source / "good.jpg", 40, 30));
  std::ofstream(source / "broken.jpg") << "no JPEG here";
  const CliRun run = Run({source.string(), (root / "out").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Process finished. 1 of 2 photos could not be converted:\n" +
                         (source / "broken.jpg").string() + "\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Converted 1, skipped 0, failed 1"), std::string::npos);
  EXPECT_FALSE(fs::exists(root / "out" / "broken.jpg"));
}

TEST_F(CliTest, APhotosErrorIsNamedAndTheRunGoesOnUnlessAskedToStop) {
  ASSERT_TRUE(WriteJpeg(source / "good.jpg", 40, 30));
  fs::create_symlink(root / "nowhere.jpg", source / "dangling.jpg");
  const std::string message = "Cannot open file " + (source / "dangling.jpg").string();
  for (const char* jobs : {"1", "3"}) {
    const fs::path out = root / ("out" + std::string(jobs));
    const CliRun goOn = Run({"--jobs", jobs, source.string(), out.string()});
    EXPECT_EQ(goOn.status, 1);
    EXPECT_EQ(goOn.err, "warning: " + (source / "dangling.jpg").string() +
                            ": not converted: " + message + "\n");
    EXPECT_NE(goOn.out.find("could not be converted:\n" + (source / "dangling.jpg").string() +
                            ": " + message),
              std::string::npos)
        << goOn.out;
    EXPECT_TRUE(fs::exists(out / "good.jpg"));

    const CliRun stop = Run({"--stop-on-error", "--jobs", jobs, source.string(), out.string()});
    EXPECT_EQ(stop.status, 1);
    EXPECT_EQ(stop.err, message + "\n");
  }
}

TEST_F(CliTest, ManyJobsWriteTheSameBytesAsOne) {
  for (int i = 0; i < 9; ++i) {
    const fs::path folder = i % 3 == 0 ? source : source / ("s" + std::to_string(i % 3));
    ASSERT_TRUE(WriteJpeg(folder / ("p" + std::to_string(i) + ".jpg"), 90 + 17 * i, 70 + 5 * i, i));
  }
  // Two sources for one target: the later one in the list must win with any number of jobs.
  ASSERT_TRUE(WriteJpeg(source / "a.jpg", 64, 64, 1));
  WriteBmp(source / "a.bmp", 96, 48, 2);
  for (const char* jobs : {"1", "4"}) {
    const CliRun run = Run({"--subfolders", "--size", "800x600", "--equalize", "--jobs", jobs,
                            source.string(), (root / ("out" + std::string(jobs))).string()});
    EXPECT_LE(run.status, 1) << run.err;
  }
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root / "out1")) {
    if (!entry.is_regular_file())
      continue;
    const fs::path other = root / "out4" / fs::relative(entry.path(), root / "out1");
    EXPECT_EQ(ReadAll(entry.path()), ReadAll(other)) << other;
    ++compared;
  }
  EXPECT_EQ(compared, 10u);
}

TEST_F(CliTest, SizeClaimsNoDataCanFillAreNamedAndTheOtherPhotosConverted) {
  ASSERT_TRUE(WriteJpeg(source / "good.jpg", 60, 40));
  WriteBmp(source / "good.bmp", 40, 30);
  // Headers alone, as a broken download or a hostile file would have them.
  for (const int side : {20000, 60000}) {
    bmpwriter::TBmpFileSpec spec;
    spec.width = side;
    spec.height = side;
    const std::vector<std::uint8_t> bytes = bmpwriter::BuildBmp(spec);
    std::ofstream(source / ("claims-" + std::to_string(side) + ".bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  const CliRun run = Run({"--jobs", "1", source.string(), (root / "out").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Process finished. 2 of 4 photos could not be converted:"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find((source / "claims-20000.bmp").string()), std::string::npos);
  EXPECT_NE(run.out.find((source / "claims-60000.bmp").string()), std::string::npos);
  EXPECT_NE(run.out.find("Converted 2, skipped 0, failed 2"), std::string::npos);
  EXPECT_TRUE(fs::exists(root / "out" / "good.jpg"));
  EXPECT_FALSE(fs::exists(root / "out" / "claims-20000.jpg"));
}

TEST_F(CliTest, DamagedSourcesAreConvertedNamedAndCountedUnlessStrict) {
  ASSERT_TRUE(WriteJpeg(source / "whole.jpg", 200, 160));
  std::string jpeg = ReadAll(source / "whole.jpg");
  jpeg.resize(jpeg.size() / 2);
  std::ofstream(source / "cut.jpg", std::ios::binary) << jpeg;
  WriteBmp(source / "short.bmp", 64, 48);
  fs::resize_file(source / "short.bmp", fs::file_size(source / "short.bmp") - 500);

  const CliRun run = Run({source.string(), (root / "out").string()});
  EXPECT_EQ(run.status, 1) << "scripts must notice";
  for (const char* name : {"cut.jpg", "short.bmp"}) {
    EXPECT_NE(run.err.find("warning: " + (source / name).string() +
                           ": converted from a damaged source: "),
              std::string::npos)
        << run.err;
  }
  EXPECT_NE(run.err.find("cut.jpg: converted from a damaged source: Premature end of JPEG file"),
            std::string::npos);
  EXPECT_NE(run.out.find("Converted 3, 2 of them from a damaged source, skipped 0, failed 0"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  damaged: " + (source / "short.bmp").string() +
                         ": Pixel data ends before the last row\n"),
            std::string::npos);
  EXPECT_EQ(ReadJpegFrame(root / "out" / "cut.jpg").width, 100);
  EXPECT_TRUE(fs::exists(root / "out" / "short.jpg"));

  const CliRun strict = Run({"--strict", source.string(), (root / "strict").string()});
  EXPECT_EQ(strict.status, 1);
  EXPECT_TRUE(fs::exists(root / "strict" / "whole.jpg"));
  EXPECT_FALSE(fs::exists(root / "strict" / "cut.jpg"));
  EXPECT_FALSE(fs::exists(root / "strict" / "short.jpg"));
  EXPECT_NE(strict.out.find((source / "cut.jpg").string() +
                            ": damaged source: Premature end of JPEG file"),
            std::string::npos)
      << strict.out;
  EXPECT_NE(strict.out.find("Converted 1, skipped 0, failed 2"), std::string::npos);
}

}  // namespace
