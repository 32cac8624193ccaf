#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliWindow.h"

namespace {

TCliOptions Parse(std::vector<std::string> arguments) {
  return ParseCliOptions(arguments, 3);
}

TEST(CliOptionsTest, DefaultsAreTheWindowsDefaults) {
  const TCliOptions options = Parse({"/src", "/dst"});
  ASSERT_EQ(options.Error, "");
  EXPECT_EQ(options.Settings.SourceFolder, "/src");
  EXPECT_EQ(options.Settings.TargetFolder, "/dst");
  EXPECT_EQ(options.Settings.QualityIndex, 2);
  EXPECT_EQ(options.Settings.SizeIndex, 1);
  EXPECT_FALSE(options.Settings.IncludeSubfolders);
  EXPECT_EQ(options.Jobs, 3);
}

TEST(CliOptionsTest, EveryChoiceOfTheWindowHasAnOption) {
  const TCliOptions options = Parse({"--quality", "very-good", "--size=1024x768", "--subfolders",
                                     "--gray", "--bw", "--equalize", "--blur", "--wallis",
                                     "--negative", "--jobs", "4", "--quiet", "in", "out"});
  ASSERT_EQ(options.Error, "");
  const ConversionSettings& s = options.Settings;
  EXPECT_EQ(s.QualityIndex, 1);
  EXPECT_EQ(s.SizeIndex, 7);
  EXPECT_TRUE(s.IncludeSubfolders && s.SaveGrayScale && s.ApplyBlackWhite && s.ApplyEqualize &&
              s.ApplyBlur && s.ApplyWallis && s.ApplyNegative && options.Quiet);
  EXPECT_EQ(options.Jobs, 4);
}

TEST(CliOptionsTest, QualityAndSizeNamesMapToTheirListIndexes) {
  const std::vector<std::string> qualities = {"best", "very-good", "good", "medium", "low"};
  for (std::size_t i = 0; i < qualities.size(); ++i) {
    EXPECT_EQ(Parse({"--quality", qualities[i], "a", "b"}).Settings.QualityIndex,
              static_cast<int>(i));
  }
  const std::vector<std::pair<std::string, int>> sizes = {
      {"100%", 0},      {"50%", 1},      {"25%", 2},     {"10%", 3},     {"1600x1200", 5},
      {"1280X1024", 6}, {"1024x768", 7}, {"800x600", 8}, {"640x480", 9}, {"640*480", 9}};
  for (const auto& [name, index] : sizes) {
    EXPECT_EQ(Parse({"--size", name, "a", "b"}).Settings.SizeIndex, index) << name;
  }
  const TCliOptions custom = Parse({"--size", "300x200", "a", "b"});
  EXPECT_EQ(custom.Settings.SizeIndex, 4);
  EXPECT_EQ(custom.Settings.CustomWidthText, "300");
  EXPECT_EQ(custom.Settings.CustomHeightText, "200");
  const TCliOptions hex = Parse({"--size", "0x20x$18", "a", "b"});
  EXPECT_EQ(hex.Settings.CustomWidthText, "0x20");
  EXPECT_EQ(hex.Settings.CustomHeightText, "$18");
  EXPECT_EQ(Parse({"--size", "1024 X 768", "a", "b"}).Settings.SizeIndex, 7);
}

TEST(CliOptionsTest, FormatsChooseTheCollectedExtensions) {
  const std::vector<std::string> specified = {".jpg", ".tif", ".tiff", ".bmp"};
  const std::vector<std::string> all = {".jpg",  ".tif",  ".tiff", ".bmp", ".png",
                                        ".webp", ".heic", ".heif", ".avif"};
  const struct {
    const char* value;
    std::vector<std::string> extensions;
  } cases[] = {
      {"all", all},
      {"ALL", all},
      {"default", specified},
      {"png", {".png"}},
      {"jpg,.HEIC,webp", {".jpg", ".heic", ".webp"}},
      {"png,all", {".png", ".jpg", ".tif", ".tiff", ".bmp", ".webp", ".heic", ".heif", ".avif"}},
      {"avif,avif", {".avif"}},
  };
  for (const auto& c : cases) {
    const TCliOptions options = Parse({"--formats", c.value, "a", "b"});
    EXPECT_EQ(options.Error, "") << c.value;
    EXPECT_EQ(options.Settings.SourceExtensions, c.extensions) << c.value;
  }
  EXPECT_TRUE(Parse({"a", "b"}).Settings.SourceExtensions.empty());
  for (const char* value : {"", "gif", "png,", ",png", "jpeg", "png;webp"})
    EXPECT_EQ(Parse({"--formats", value, "a", "b"}).Error,
              std::string("invalid value '") + value + "' for --formats");
}

TEST(CliOptionsTest, UsageErrorsAreReported) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"only-one"},
                                             {"a", "b", "c"},
                                             {"--quality", "superb", "a", "b"},
                                             {"--size", "33%", "a", "b"},
                                             {"--size", "0x200", "a", "b"},
                                             {"--size", "-5x200", "a", "b"},
                                             {"--size", "12x", "a", "b"},
                                             {"--jobs", "0", "a", "b"},
                                             {"--jobs", "two", "a", "b"},
                                             {"--frobnicate", "a", "b"},
                                             {"a", "b", "--jobs"}}) {
    EXPECT_NE(Parse(arguments).Error, "") << arguments[0];
  }
  EXPECT_EQ(Parse({"--help"}).Error, "");
  EXPECT_EQ(Parse({"--version"}).Error, "");
  EXPECT_EQ(Parse({"--", "--odd-folder", "b"}).Settings.SourceFolder, "--odd-folder");
}

TEST(CliWindowTest, PlainProgressLinesOffATerminalAndMessagesOnTheirStreams) {
  std::ostringstream out;
  std::ostringstream err;
  TCliWindow window(ConversionSettings{}, false, false, out, err);
  window.SetStatusText("Process is started. Please wait ...");
  window.SetStatusText("Conversion: 50%.");
  window.SetStatusText("");
  window.ShowMessage("OK! Process successfully finished.", mkInformation);
  window.ShowMessage("Source folder not found", mkError);
  EXPECT_EQ(out.str(),
            "Process is started. Please wait ...\nConversion: 50%.\n"
            "OK! Process successfully finished.\n");
  EXPECT_EQ(err.str(), "Source folder not found\n");
}

TEST(CliWindowTest, QuietKeepsOnlyProblemsAndATerminalGetsABar) {
  std::ostringstream out;
  std::ostringstream err;
  TCliWindow quiet(ConversionSettings{}, true, true, out, err);
  quiet.SetStatusText("Conversion: 50%.");
  quiet.ShowMessage("OK! Process successfully finished.", mkInformation);
  quiet.ShowMessage("Process finished. 1 of 2 photos could not be converted:\n/x.jpg", mkWarning);
  EXPECT_EQ(out.str(), "Process finished. 1 of 2 photos could not be converted:\n/x.jpg\n");

  std::ostringstream bar;
  TCliWindow terminal(ConversionSettings{}, false, true, bar, err);
  terminal.SetProgressMaximum(4);
  terminal.SetProgressPosition(2);
  terminal.SetStatusText("Conversion: 50%.");
  terminal.SetStatusText("");
  EXPECT_EQ(bar.str(),
            "\r[" + std::string(15, '#') + std::string(15, '.') + "] 2/4  Conversion: 50%.\n");
}

}  // namespace
