#include "imaging/io/tiff/TiffTags.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/io/DefaultResolution.h"
#include "imaging/io/TIOParamsVals.h"

namespace {

constexpr std::uint32_t kRowsPerStripAll = 0xFFFFFFFF;
constexpr double kCentimetresPerInch = 2.54;
constexpr int kMaxColorMapBits = 16;

bool ReadBitsPerSample(const TTiffDirectory& page, std::uint32_t& bits) {
  const std::uint32_t count = page.Count(tifftag::kBitsPerSample);
  if (count <= 1) {
    bits = page.Integer(tifftag::kBitsPerSample, 1);
    return true;
  }
  const std::vector<std::uint32_t> values = page.Integers(tifftag::kBitsPerSample);
  if (values.empty())
    return false;
  for (std::uint32_t value : values) {
    if (value != values[0])
      return false;
  }
  bits = values[0];
  return true;
}

// The colour map holds all reds, then all greens, then all blues as 16-bit values; each entry
// keeps the high bytes as blue, green, red. Some writers store 8-bit values instead: a map
// whose values all fit a byte is taken as such, or its picture would come out black.
void ReadColorMap(const TTiffDirectory& page, TTIFFVars& vars) {
  if (!page.Has(tifftag::kColorMap) || vars.bitsPerSample > kMaxColorMapBits)
    return;
  const std::vector<std::uint32_t> values = page.Integers(tifftag::kColorMap);
  const std::size_t entries = std::size_t{1} << vars.bitsPerSample;
  if (values.size() < entries * 3)
    return;
  const bool eightBit =
      std::all_of(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(entries * 3),
                  [](std::uint32_t value) { return value < 256; });
  const int shift = eightBit ? 0 : 8;
  vars.colorMap.resize(entries * 3);
  for (std::size_t i = 0; i < entries; ++i) {
    vars.colorMap[i * 3 + 0] = static_cast<std::uint8_t>(values[2 * entries + i] >> shift);
    vars.colorMap[i * 3 + 1] = static_cast<std::uint8_t>(values[entries + i] >> shift);
    vars.colorMap[i * 3 + 2] = static_cast<std::uint8_t>(values[i] >> shift);
  }
  vars.colorMapCount = static_cast<int>(entries);
}

int TruncToInt(double value) {
  if (!std::isfinite(value))
    return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

std::uint8_t MappedCompression(const TTIFFVars& vars) {
  switch (vars.compression) {
    case tiffcompression::kNone:
      return 0;
    case tiffcompression::kModifiedHuffman:
      return 1;
    case tiffcompression::kGroup3:
      return (vars.t4Options & 1) != 0 ? 3 : 2;
    case tiffcompression::kGroup4:
      return 4;
    case tiffcompression::kLzw:
      return 5;
    case tiffcompression::kOldJpeg:
      return 6;
    case tiffcompression::kJpeg:
      return 7;
    case tiffcompression::kPackBits:
      return 8;
    default:
      return 9;
  }
}

template <std::size_t N>
void ReadRationals(const TTiffDirectory& page, std::uint16_t tag, std::array<double, N>& out) {
  for (std::size_t i = 0; i < N; ++i)
    out[i] = page.Rational(tag, static_cast<std::uint32_t>(i));
}

}  // namespace

bool ReadTiffVars(const TTiffDirectory& page, TTIFFVars& vars) {
  vars.width = page.Integer(tifftag::kImageWidth, 0);
  vars.height = page.Integer(tifftag::kImageLength, 0);
  vars.samplesPerPixel = page.Integer(tifftag::kSamplesPerPixel, 1);
  if (!ReadBitsPerSample(page, vars.bitsPerSample))
    return false;
  vars.rowsPerStrip = page.Integer(tifftag::kRowsPerStrip, vars.height);
  if (vars.rowsPerStrip == kRowsPerStripAll)
    vars.rowsPerStrip = vars.height;
  vars.tileWidth = page.Has(tifftag::kTileWidth)
                       ? static_cast<std::int64_t>(page.Integer(tifftag::kTileWidth, 0))
                       : -1;
  vars.tileLength = page.Has(tifftag::kTileLength)
                        ? static_cast<std::int64_t>(page.Integer(tifftag::kTileLength, 0))
                        : -1;
  vars.photometric = page.Integer(tifftag::kPhotometric, tiffphotometric::kRgb);
  vars.planarConfig = page.Integer(tifftag::kPlanarConfig, 1);
  vars.orientation = page.Integer(tifftag::kOrientation, 1);
  vars.compression = page.Integer(tifftag::kCompression, tiffcompression::kNone);
  vars.stripOffsets = page.Integers(tifftag::kStripOffsets);
  vars.stripByteCounts = page.Integers(tifftag::kStripByteCounts);
  vars.tileOffsets = page.Integers(tifftag::kTileOffsets);
  vars.tileByteCounts = page.Integers(tifftag::kTileByteCounts);
  ReadColorMap(page, vars);
  vars.resolutionUnit = page.Integer(tifftag::kResolutionUnit, 2);
  vars.xResolution = page.Rational(tifftag::kXResolution);
  vars.yResolution = page.Rational(tifftag::kYResolution);
  vars.predictor = page.Integer(tifftag::kPredictor, 1);
  vars.jpegTables = page.Raw(tifftag::kJpegTables);
  vars.t4Options = page.Integer(tifftag::kT4Options, 0);
  vars.t6Options = page.Integer(tifftag::kT6Options, 0);
  vars.fillOrder = page.Integer(tifftag::kFillOrder, 1);
  vars.xPosition = page.Rational(tifftag::kXPosition);
  vars.yPosition = page.Rational(tifftag::kYPosition);
  vars.software = page.Text(tifftag::kSoftware);
  vars.jpegProc = page.Integer(tifftag::kJpegProc, 0);
  vars.jpegInterchangeOffset = page.Integer(tifftag::kJpegInterchangeFormat, 0);
  vars.jpegInterchangeLength = page.Integer(tifftag::kJpegInterchangeFormatLength, 0);
  vars.extraSamples = page.Element(tifftag::kExtraSamples, 0);

  // Bilevel pages without a usable photometric tag are white-is-zero, as fax software writes.
  if (vars.samplesPerPixel == 1 && vars.bitsPerSample == 1 &&
      vars.compression >= tiffcompression::kNone && vars.compression <= tiffcompression::kGroup4 &&
      vars.photometric == tiffphotometric::kRgb)
    vars.photometric = tiffphotometric::kWhiteIsZero;
  return true;
}

void FillTiffParams(const TTiffDirectory& page, const TTIFFVars& vars, int imageCount,
                    TIOParamsVals& params) {
  params.BitsPerSample = static_cast<int>(vars.bitsPerSample);
  params.SamplesPerPixel = static_cast<int>(vars.samplesPerPixel);
  params.Width = static_cast<int>(vars.width);
  params.Height = static_cast<int>(vars.height);
  params.ImageCount = imageCount;
  params.SetOrientation(static_cast<int>(vars.orientation));
  params.TiffCompression = MappedCompression(vars);
  if (vars.photometric <= 6)
    params.TiffPhotometric = static_cast<std::uint8_t>(vars.photometric);
  else if (vars.photometric == tiffphotometric::kCieLab)
    params.TiffPhotometric = 7;
  params.TiffPlanarConfig = static_cast<int>(vars.planarConfig);
  params.TiffDocumentName = page.Text(tifftag::kDocumentName);
  params.TiffImageDescription = page.Text(tifftag::kImageDescription);
  params.TiffPageName = page.Text(tifftag::kPageName);
  params.TiffPageNumber = static_cast<int>(page.Element(tifftag::kPageNumber, 0));
  params.TiffPageTotal = static_cast<int>(page.Element(tifftag::kPageNumber, 1));
  params.ExifMake = page.Text(tifftag::kMake);
  params.ExifModel = page.Text(tifftag::kModel);
  params.ExifDateTime = page.Text(tifftag::kDateTime);
  params.ExifSoftware = vars.software;
  params.ExifCopyright = page.Text(tifftag::kCopyright);

  const double factor = vars.resolutionUnit == 3 ? kCentimetresPerInch : 1.0;
  const int dpiX = TruncToInt(vars.xResolution * factor);
  const int dpiY = TruncToInt(vars.yResolution * factor);
  params.SetResolutionX(dpiX == 0 ? DefaultResolution.x : dpiX);
  params.SetResolutionY(dpiY == 0 ? DefaultResolution.y : dpiY);
  params.ExifResolutionUnit = static_cast<int>(vars.resolutionUnit);
  params.TiffPositionX = TruncToInt(vars.xPosition * factor);
  params.TiffPositionY = TruncToInt(vars.yPosition * factor);

  ReadRationals(page, tifftag::kWhitePoint, params.ExifWhitePoint);
  ReadRationals(page, tifftag::kPrimaryChromaticities, params.ExifPrimaryChromaticities);
  ReadRationals(page, tifftag::kYCbCrCoefficients, params.ExifYCbCrCoefficients);
  ReadRationals(page, tifftag::kReferenceBlackWhite, params.ExifReferenceBlackWhite);
  params.ExifYCbCrPositioning = static_cast<int>(page.Integer(tifftag::kYCbCrPositioning, 0));

  // The IPTC block goes to the record list's own parser; a page without one has no records.
  const std::span<const std::uint8_t> iptc = page.Raw(tifftag::kIptc);
  if (page.Has(tifftag::kIptc))
    params.IptcRecords.ParseIptc(iptc);
  else
    params.IptcRecords.ClearRecords();
  const std::span<const std::uint8_t> profile = page.Raw(tifftag::kIccProfile);
  params.IccProfile.assign(profile.begin(), profile.end());
  const std::span<const std::uint8_t> xmp = page.Raw(tifftag::kXmpPacket);
  params.TiffXmpPacket.assign(xmp.begin(), xmp.end());
  const std::span<const std::uint8_t> annotations = page.Raw(tifftag::kAnnotations);
  params.Annotations.SetData(std::vector<std::uint8_t>(annotations.begin(), annotations.end()));

  params.ColorMap = vars.colorMap;
  params.ColorMapCount = vars.colorMapCount;
}
