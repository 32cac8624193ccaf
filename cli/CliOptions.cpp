#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <utility>

#include "app/batch/BatchPaths.h"

namespace {

constexpr std::array<const char*, QualityCount> kQualityNames = {"best", "very-good", "good",
                                                                 "medium", "low"};

// Size names as the list shows them, lower-cased with 'x' for the frames.
constexpr std::array<const char*, SizeCount> kSizeNames = {
    "100%", "50%", "25%", "10%", "", "1600x1200", "1280x1024", "1024x768", "800x600", "640x480"};

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool ParseQuality(const std::string& value, ConversionSettings& settings) {
  for (int i = 0; i < QualityCount; ++i) {
    if (Lower(value) == kQualityNames[static_cast<std::size_t>(i)]) {
      settings.QualityIndex = i;
      return true;
    }
  }
  return false;
}

bool ParseSize(const std::string& value, ConversionSettings& settings) {
  // "1024 X 768" and "640*480" as the list writes them mean the same as 1024x768 and 640x480.
  std::string size;
  for (char c : Lower(value)) {
    if (c != ' ')
      size += c == '*' ? 'x' : c;
  }
  for (int i = 0; i < SizeCount; ++i) {
    if (i != CustomSizeIndex && size == kSizeNames[static_cast<std::size_t>(i)]) {
      settings.SizeIndex = i;
      return true;
    }
  }
  // Hexadecimal sides ("0x20x0x18") hold an 'x' of their own: try every split.
  for (std::size_t cross = size.find('x'); cross != std::string::npos;
       cross = size.find('x', cross + 1)) {
    const std::string width = size.substr(0, cross);
    const std::string height = size.substr(cross + 1);
    int w = 0;
    int h = 0;
    // The window would quietly fall back to its default box; a typed option deserves an error.
    if (TryParseSizeText(width, w) && TryParseSizeText(height, h) && w > 0 && h > 0) {
      settings.SizeIndex = CustomSizeIndex;
      settings.CustomWidthText = width;
      settings.CustomHeightText = height;
      return true;
    }
  }
  return false;
}

bool ParseSmallPositive(const std::string& value, int& jobs) {
  int parsed = 0;
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos ||
      value.size() > 4 || (parsed = std::stoi(value)) < 1) {
    return false;
  }
  jobs = parsed;
  return true;
}

bool ParseColour(const std::string& value, ConversionSettings& settings) {
  const std::string colour = Lower(value);
  if (colour != "rgb" && colour != "ycbcr")
    return false;
  settings.WriteYCbCr = colour == "ycbcr";
  return true;
}

bool ParseMetadata(const std::string& value, ConversionSettings& settings) {
  const std::string choice = Lower(value);
  const std::pair<const char*, TMetadataChoice> choices[] = {{"keep", TMetadataChoice::Keep},
                                                             {"all", TMetadataChoice::All},
                                                             {"strip", TMetadataChoice::Strip}};
  for (const auto& [name, metadata] : choices) {
    if (choice == name) {
      settings.Metadata = metadata;
      return true;
    }
  }
  return false;
}

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& value, ConversionSettings& settings) {
  const std::size_t slash = value.find('/');
  int index = 0;
  int count = 0;
  if (slash == std::string::npos || !ParseSmallPositive(value.substr(0, slash), index) ||
      !ParseSmallPositive(value.substr(slash + 1), count) || index > count) {
    return false;
  }
  settings.ShardIndex = index - 1;
  settings.ShardCount = count;
  return true;
}

void AddOnce(std::vector<std::string>& list, const std::string& extension) {
  if (std::find(list.begin(), list.end(), extension) == list.end())
    list.push_back(extension);
}

// A comma-separated list of "all", "default" and extension names with or without their dot.
bool ParseFormats(const std::string& value, ConversionSettings& settings) {
  const std::vector<std::string>& specified = SpecifiedPhotoExtensions();
  const std::vector<std::string>& library = LibraryPhotoExtensions();
  std::vector<std::string> chosen;
  std::size_t start = 0;
  while (start <= value.size()) {
    const std::size_t comma = std::min(value.find(',', start), value.size());
    std::string item = Lower(value.substr(start, comma - start));
    start = comma + 1;
    if (item == "all" || item == "default") {
      for (const std::string& extension : specified)
        AddOnce(chosen, extension);
      if (item == "all") {
        for (const std::string& extension : library)
          AddOnce(chosen, extension);
      }
      continue;
    }
    if (item.empty() || item[0] != '.')
      item.insert(0, ".");
    const auto known = [&](const std::vector<std::string>& list) {
      return std::find(list.begin(), list.end(), item) != list.end();
    };
    if (!known(specified) && !known(library))
      return false;
    AddOnce(chosen, item);
  }
  settings.SourceExtensions = std::move(chosen);
  return true;
}

bool SetFlag(const std::string& name, TCliOptions& options) {
  ConversionSettings& s = options.Settings;
  const std::pair<const char*, bool*> flags[] = {{"--subfolders", &s.IncludeSubfolders},
                                                 {"--gray", &s.SaveGrayScale},
                                                 {"--bw", &s.ApplyBlackWhite},
                                                 {"--equalize", &s.ApplyEqualize},
                                                 {"--blur", &s.ApplyBlur},
                                                 {"--wallis", &s.ApplyWallis},
                                                 {"--negative", &s.ApplyNegative},
                                                 {"--strict", &s.RefuseDamagedSources},
                                                 {"--fast", &s.ShrinkOnLoad},
                                                 {"--dry-run", &s.PlanOnly},
                                                 {"--update", &s.SkipUpToDate},
                                                 {"--keep-dates", &s.KeepDates},
                                                 {"--auto-rotate", &s.AutoRotate},
                                                 {"--stop-on-error", &options.StopOnError},
                                                 {"--quiet", &options.Quiet},
                                                 {"--help", &options.Help},
                                                 {"--version", &options.Version}};
  for (const auto& [flag, field] : flags) {
    if (name == flag) {
      *field = true;
      return true;
    }
  }
  return false;
}

}  // namespace

TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, int defaultJobs) {
  TCliOptions options;
  options.Jobs = defaultJobs;
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size() && options.Error.empty(); ++i) {
    std::string argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      folders.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (SetFlag(argument, options))
      continue;
    std::string value;
    const std::size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
      argument.erase(equals);
    } else if (argument == "--quality" || argument == "--size" || argument == "--jobs" ||
               argument == "--report" || argument == "--shard" || argument == "--colour" ||
               argument == "--metadata" || argument == "--formats") {
      if (i + 1 == arguments.size()) {
        options.Error = "option " + argument + " needs a value";
        break;
      }
      value = arguments[++i];
    }
    bool valid = false;
    if (argument == "--quality") {
      valid = ParseQuality(value, options.Settings);
    } else if (argument == "--size") {
      valid = ParseSize(value, options.Settings);
    } else if (argument == "--jobs") {
      valid = ParseSmallPositive(value, options.Jobs);
    } else if (argument == "--report") {
      options.ReportPath = value;
      valid = !value.empty();
    } else if (argument == "--shard") {
      valid = ParseShard(value, options.Settings);
    } else if (argument == "--colour") {
      valid = ParseColour(value, options.Settings);
    } else if (argument == "--metadata") {
      valid = ParseMetadata(value, options.Settings);
    } else if (argument == "--formats") {
      valid = ParseFormats(value, options.Settings);
    } else {
      options.Error = "unknown option " + argument;
      break;
    }
    if (!valid)
      options.Error = "invalid value '" + value + "' for " + argument;
  }
  if (options.Error.empty() && !options.Help && !options.Version) {
    if (folders.size() != 2) {
      options.Error = "expected a source folder and a target folder";
    } else {
      options.Settings.SourceFolder = folders[0];
      options.Settings.TargetFolder = folders[1];
    }
  }
  return options;
}

std::string CliUsage() {
  return R"(Usage: quillmere-cli [options] SOURCE TARGET

Converts every .jpg, .tif, .tiff and .bmp photo in SOURCE (or those of --formats) into a
progressive JPEG file at the same relative place under TARGET.

Options:
  --quality Q    best, very-good, good (default), medium or low
  --size S       100%, 50% (default), 25%, 10%, 1600x1200, 1280x1024, 1024x768, 800x600,
                 640x480, or WxH to fit into a frame of your own
  --subfolders   include subfolders
  --gray         save gray-scale photos
  --bw           convert to black and white (saved gray scale)
  --equalize     histogram equalization
  --blur         blur
  --wallis       Wallis filter
  --negative     negative
  --jobs N       convert N photos at a time (default: the number of cores)
  --dry-run      print what would be done, one line per photo (source, target, sides before
                 and after the size rule, effects), and write nothing, not even folders
  --update       leave alone a photo whose target is not older than its source
  --keep-dates   give each output its source's modification and access times
  --report FILE  write one row per photo to FILE: CSV, or JSON Lines when FILE ends in .jsonl
                 (source, target, outcome, reason, sides in and out, bytes in and out,
                 milliseconds)
  --colour C     rgb (default) or ycbcr: ordinary YCbCr JPEGs with chroma halved both ways,
                 much smaller than RGB ones
  --fast         decode a JPEG at 1/2, 1/4 or 1/8 of its size when the size asked for is at
                 most half of it both ways (never below that size), then resize the rest:
                 faster (the more so the smaller the size), in exchange for output that
                 differs slightly from the exact resize, not byte for byte
  --metadata M   keep (default): the photo's metadata rebuilt for the new image, without its
                 GPS position; all: as keep, with the GPS position and the XMP packet;
                 strip: no EXIF, IPTC, XMP or comments, only the ICC profile, so colours
                 stay right
  --auto-rotate  turn each photo upright by its EXIF orientation before the size rule, so
                 that a portrait photo fits the frame as it is seen, and write orientation 1
  --formats LIST the extensions to convert, separated by commas: default (.jpg, .tif, .tiff,
                 .bmp), all (those and .png, .webp, .heic, .heif, .avif), or any of these
                 names, such as jpg,png; transparent parts are put on white
  --shard K/N    convert only the photos in shard K of N (1 <= K <= N), chosen by a stable hash
                 of the target's relative path; N runs with K = 1..N together write exactly
                 what one whole run writes
  --strict       do not convert a photo whose source is damaged (cut short, corrupt data)
  --stop-on-error
                 end the run at the first photo that raises an error; by default the photo
                 is named among those not converted and the run goes on
  --quiet        print only problems
  --help         show this text
  --version      show the version

A photo whose source is damaged but readable is converted and named in a warning.
Sources that become one target (a.jpg and a.tif both become a.jpg) are named in a warning
before the first photo and in the summary; the last one listed replaces the others.

Ctrl+C finishes the photos in progress, then stops the run.

Exit status: 0 when every photo was converted from a clean source, 1 when some were not
converted, came from a damaged source, an error ended the run or it was stopped, 2 for a
usage or folder error.
)";
}
