#pragma once

#include <string>
#include <vector>

#include "app/batch/MetadataChoice.h"

/// The choices of the main window that a batch run reads. The window's controls are the storage;
/// a run asks the window for a fresh copy whenever it needs one, so changes made during a run
/// apply from the next file on.
struct ConversionSettings {
  std::string SourceFolder;
  std::string TargetFolder;
  bool IncludeSubfolders = false;
  int QualityIndex = 2;  ///< -1..4 into the quality table; -1 = no selection
  int SizeIndex = 1;     ///< -1..9 into the size table; -1 = no selection
  std::string CustomWidthText = "450";
  std::string CustomHeightText = "370";
  bool SaveGrayScale = false;
  bool ApplyBlackWhite = false;
  bool ApplyEqualize = false;
  bool ApplyBlur = false;
  bool ApplyWallis = false;
  bool ApplyNegative = false;
  /// A source the reader found damaged (though readable) is not converted. The window never
  /// sets this; the command line does with --strict.
  bool RefuseDamagedSources = false;

  // Choices the window never offers; the command line sets them. Off, a run writes exactly
  // what the window writes.
  /// Reads each source and reports what would be written, but writes nothing, not even folders.
  bool PlanOnly = false;
  /// A photo whose target is not older than its source is left alone and counted as up to date.
  bool SkipUpToDate = false;
  /// Each written target gets its source's access and modification times.
  bool KeepDates = false;
  TMetadataChoice Metadata = TMetadataChoice::Keep;
  /// Pixels are turned upright by the source's orientation before the size rule, and the
  /// written photo says orientation 1.
  bool AutoRotate = false;
  /// Colour photos are written as YCbCr with chroma halved both ways instead of as RGB.
  bool WriteYCbCr = false;
  /// A JPEG the size rule shrinks to at most half in both directions is decoded at 1/2, 1/4 or
  /// 1/8 of its size (never below the target) and resampled from there: faster, with output
  /// that differs slightly from the exact road's.
  bool ShrinkOnLoad = false;
  /// Only the photos whose relative target path hashes into shard ShardIndex (0-based) of
  /// ShardCount are converted.
  int ShardIndex = 0;
  int ShardCount = 1;
  /// The extensions collected, lower case with their dots; empty for the specified set.
  std::vector<std::string> SourceExtensions;
};

/// Items of the quality list, index for index.
inline constexpr const char* QualityItems[] = {"Best (large file size)", "Very good", "Good",
                                               "Medium", "Low (small file size)"};
inline constexpr int QualityCount = 5;

/// Items of the size list, index for index.
inline constexpr const char* SizeItems[] = {"100%",      "50%",         "25%",         "10%",
                                            "Custom",    "1600 X 1200", "1280 X 1024", "1024 X 768",
                                            "800 X 600", "640*480"};
inline constexpr int SizeCount = 10;
inline constexpr int CustomSizeIndex = 4;

/// The JPEG quality for a quality index, or -1 when the index selects nothing.
int JpegQualityFor(int qualityIndex);

/// Reads an integer the way the custom size boxes are read: leading blanks, an optional sign,
/// decimal or hexadecimal after '$', 'x' or "0x". False for an empty text, trailing blanks, any
/// other character, or a value outside 32 bits.
bool TryParseSizeText(const std::string& text, int& value);
