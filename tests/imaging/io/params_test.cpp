#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"

namespace {

class FakeOwner : public TParamsOwnerInfo {
 public:
  bool hasPicture = false;
  bool hasView = false;
  bool CurrentPictureSize(int& width, int& height) override {
    width = 640;
    height = 480;
    return hasPicture;
  }
  bool ViewResolution(int& dpiX, int& dpiY) override {
    dpiX = 96;
    dpiY = 120;
    return hasView;
  }
};

TEST(TIOParamsVals, FreshRecordHoldsTheDefaults) {
  TIOParamsVals params;
  EXPECT_EQ(params.JpegQuality, 80);
  EXPECT_EQ(params.JpegColorSpace, 2);
  EXPECT_FALSE(params.JpegProgressive);
  EXPECT_EQ(params.JpegScale, 1);
  EXPECT_EQ(params.JpegScaleUsed, 1);
  EXPECT_EQ(params.BitsPerSample, 8);
  EXPECT_EQ(params.SamplesPerPixel, 3);
  EXPECT_EQ(params.Width, 0);
  EXPECT_EQ(params.ResolutionX, 0);
  EXPECT_EQ(params.ResolutionY, 0);
  EXPECT_EQ(params.FormatId, 0);
  EXPECT_EQ(params.Orientation, 1);
  EXPECT_EQ(params.ExifOrientation, 0);
  EXPECT_EQ(params.TiffPhotometric, 2);
  EXPECT_EQ(params.TiffPlanarConfig, 1);
  EXPECT_EQ(params.TiffJpegQuality, 80);
  EXPECT_EQ(params.TiffJpegColorSpace, 2);
  EXPECT_EQ(params.BmpVersion, 1);
  EXPECT_EQ(params.GifVersion, "GIF89a");
  EXPECT_EQ(params.Gif.BackgroundColor, kColorBlack);
  EXPECT_EQ(params.WriterOptionsHead.PngCompressionLevel, 5);
  EXPECT_EQ(params.WriterOptionsTail.PngBackground, kColorWhite);
  EXPECT_DOUBLE_EQ(params.WriterOptionsTail.TgaGamma, 2.2);
  EXPECT_EQ(params.WriterOptionsTail.TgaDate,
            std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  EXPECT_EQ(params.PsPdf.PsTitle, "No Title");
  EXPECT_EQ(params.PsPdf.PsPaperWidth, 595);
  EXPECT_EQ(params.PsPdf.PdfPaperHeight, 842);
  EXPECT_EQ(params.PsPdf.PdfCompression, 2);
  EXPECT_EQ(params.Jpeg2000.CodingParams[0], 64);
  EXPECT_EQ(params.Jpeg2000.CodingParams[1], 64);
  EXPECT_EQ(params.Jpeg2000.CodingParams[2], 0);
  EXPECT_EQ(params.Jpeg2000.ImageParams[0], 8);
  EXPECT_FALSE(params.ExifPresent);
  EXPECT_EQ(params.ExifThumbnail, nullptr);
  EXPECT_EQ(params.ColorMapCount, 0);
  EXPECT_TRUE(params.ColorMap.empty());
  EXPECT_FALSE(params.IptcRecords.UserChanged());
}

TEST(TIOParamsVals, ResetConsultsTheOwner) {
  FakeOwner owner;
  TIOParamsVals params(nullptr, &owner);
  EXPECT_EQ(params.Width, 0) << "no current picture";
  EXPECT_EQ(params.ResolutionX, 0) << "no view";

  owner.hasPicture = true;
  owner.hasView = true;
  params.JpegQuality = 40;
  params.ColorMap.assign(6, 1);
  params.ColorMapCount = 2;
  params.SourcePath = "a.bmp";
  params.SetOrientation(6);
  params.ResetParams();
  EXPECT_EQ(params.Width, 640);
  EXPECT_EQ(params.Height, 480);
  EXPECT_EQ(params.ResolutionX, 96);
  EXPECT_EQ(params.ResolutionY, 120);
  // The EXIF fields are cleared after the resolutions were set.
  EXPECT_DOUBLE_EQ(params.ExifResolutionX, 0.0);
  EXPECT_EQ(params.JpegQuality, 80);
  EXPECT_TRUE(params.ColorMap.empty());
  EXPECT_EQ(params.ColorMapCount, 0);
  EXPECT_TRUE(params.SourcePath.empty());
  EXPECT_EQ(params.Orientation, 1);
  EXPECT_EQ(params.ExifOrientation, 0);
}

TEST(TIOParamsVals, ClearForLoadKeepsOptionsAndDropsMetadata) {
  TIOParamsVals params;
  params.JpegQuality = 95;
  params.JpegProgressive = true;
  params.JpegColorSpace = 1;
  params.Width = 100;
  params.SetResolutionX(300);
  params.JpegMarkers.AddMarker(0xFE, reinterpret_cast<const std::uint8_t*>("hi"), 2);
  params.IptcRecords.AddRecord(2, 5, std::vector<std::uint8_t>{'t'});
  params.Annotations.SetData({1, 2});
  params.TextList.push_back("x");
  params.Gif.Comments.push_back("c");
  params.TiffPageName = "p";
  params.WriterOptionsTail.TgaAuthor = "me";
  params.ExifPresent = true;
  params.ExifMake = "maker";
  params.ExifFNumber = 2.8;
  params.SetExifISOSpeedRatings(0, 200);
  params.ExifThumbnail = std::make_unique<TImgBitmap>();

  params.ClearForLoad();
  EXPECT_EQ(params.JpegQuality, 95);
  EXPECT_TRUE(params.JpegProgressive);
  EXPECT_EQ(params.JpegColorSpace, 1);
  EXPECT_EQ(params.Width, 100);
  EXPECT_EQ(params.ResolutionX, 300);
  EXPECT_EQ(params.JpegMarkers.Count(), 0);
  EXPECT_EQ(params.IptcRecords.Count(), 0);
  EXPECT_TRUE(params.Annotations.Empty());
  EXPECT_TRUE(params.TextList.empty());
  EXPECT_TRUE(params.Gif.Comments.empty());
  EXPECT_TRUE(params.TiffPageName.empty());
  EXPECT_TRUE(params.WriterOptionsTail.TgaAuthor.empty());
  EXPECT_FALSE(params.ExifPresent);
  EXPECT_TRUE(params.ExifMake.empty());
  EXPECT_DOUBLE_EQ(params.ExifFNumber, 0.0);
  EXPECT_EQ(params.GetExifISOSpeedRatings(0), 0);
  EXPECT_DOUBLE_EQ(params.ExifResolutionX, 0.0);
  EXPECT_EQ(params.ExifThumbnail, nullptr);
}

TEST(TIOParamsVals, AssignParamsMakesIndependentCopies) {
  FakeOwner ownerInfo;
  TIOParamsVals source;
  source.ColorMapCount = 256;
  source.ColorMap.resize(768);
  for (std::size_t i = 0; i < source.ColorMap.size(); ++i) {
    source.ColorMap[i] = static_cast<std::uint8_t>(i);
  }
  source.JpegQuality = 33;
  source.ExifModel = "model";
  source.SetExifWhitePoint(1, 0.329);
  source.JpegMarkers.AddMarker(0xE1, reinterpret_cast<const std::uint8_t*>("Exif"), 4);
  source.IptcRecords.AddRecord(2, 25, std::vector<std::uint8_t>{'k', 'w'});
  source.TextList.push_back("text");
  source.ExifThumbnail = std::make_unique<TImgBitmap>();
  source.ExifThumbnail->Allocate(3, 2, pfBGR24);
  source.ExifThumbnail->RowPtr(1)[4] = 77;

  TIOParamsVals copy(nullptr, &ownerInfo);
  copy.AssignParams(source);
  EXPECT_EQ(copy.OwnerInfo, &ownerInfo) << "the owner is not copied";
  ASSERT_EQ(copy.ColorMap.size(), 768u);
  EXPECT_EQ(copy.ColorMapCount, 256);
  EXPECT_EQ(copy.ColorMap, source.ColorMap);
  EXPECT_NE(copy.ColorMap.data(), source.ColorMap.data());
  source.ColorMap[10] = 0xAA;
  EXPECT_EQ(copy.ColorMap[10], 10);

  EXPECT_EQ(copy.JpegQuality, 33);
  EXPECT_EQ(copy.ExifModel, "model");
  EXPECT_DOUBLE_EQ(copy.GetExifWhitePoint(1), 0.329);
  ASSERT_EQ(copy.JpegMarkers.Count(), 1);
  source.JpegMarkers[0].data[0] = 'X';
  EXPECT_EQ(copy.JpegMarkers[0].data[0], 'E');
  ASSERT_EQ(copy.IptcRecords.Count(), 1);
  EXPECT_EQ(copy.IptcRecords[0].dataSet, 25);
  source.TextList[0] = "changed";
  EXPECT_EQ(copy.TextList[0], "text");

  ASSERT_NE(copy.ExifThumbnail, nullptr);
  EXPECT_NE(copy.ExifThumbnail.get(), source.ExifThumbnail.get());
  EXPECT_EQ(copy.ExifThumbnail->Width(), 3);
  EXPECT_EQ(copy.ExifThumbnail->RowPtr(1)[4], 77);
  source.ExifThumbnail->RowPtr(1)[4] = 1;
  EXPECT_EQ(copy.ExifThumbnail->RowPtr(1)[4], 77);

  // A source without thumbnail or palette leaves none behind.
  TIOParamsVals empty;
  copy.AssignParams(empty);
  EXPECT_EQ(copy.ExifThumbnail, nullptr);
  EXPECT_TRUE(copy.ColorMap.empty());

  // Only ColorMapCount entries are copied.
  source.ColorMapCount = 2;
  copy.AssignParams(source);
  EXPECT_EQ(copy.ColorMap.size(), 6u);
}

TEST(TIOParamsVals, ResolutionSettersFillTheExifResolution) {
  TIOParamsVals params;
  params.SetResolutionX(300);
  EXPECT_EQ(params.ResolutionX, 300);
  EXPECT_DOUBLE_EQ(params.ExifResolutionX, 300.0);
  params.SetResolutionY(72.5);
  EXPECT_EQ(params.ResolutionY, 72);
  EXPECT_DOUBLE_EQ(params.ExifResolutionY, 72.0);
  params.SetResolutionY(73.5);
  EXPECT_EQ(params.ResolutionY, 74) << "ties go to the even neighbour";
  params.SetResolutionX(299.6);
  EXPECT_EQ(params.ResolutionX, 300);
  params.SetResolutionX(1e12);
  EXPECT_EQ(params.ResolutionX, INT_MAX) << "out-of-range values saturate";
}

TEST(TIOParamsVals, OrientationIsSetOnBothSides) {
  TIOParamsVals params;
  params.SetOrientation(6);
  EXPECT_EQ(params.Orientation, 6);
  EXPECT_EQ(params.ExifOrientation, 6);
  params.SetExifOrientation(3);
  EXPECT_EQ(params.Orientation, 3);
  EXPECT_EQ(params.ExifOrientation, 3);
}

TEST(TIOParamsVals, IndexedExifArraysStayInBounds) {
  TIOParamsVals params;
  params.SetExifPrimaryChromaticities(5, 0.06);
  params.SetExifReferenceBlackWhite(6, 1.0);
  params.SetExifYCbCrCoefficients(-1, 1.0);
  params.SetExifISOSpeedRatings(1, 400);
  EXPECT_DOUBLE_EQ(params.GetExifPrimaryChromaticities(5), 0.06);
  EXPECT_DOUBLE_EQ(params.GetExifReferenceBlackWhite(6), 0.0);
  EXPECT_DOUBLE_EQ(params.GetExifYCbCrCoefficients(-1), 0.0);
  EXPECT_EQ(params.GetExifISOSpeedRatings(1), 400);
  for (double value : params.ExifReferenceBlackWhite)
    EXPECT_DOUBLE_EQ(value, 0.0);
}

TEST(TImgIPTCInfoList, ChangedFlagFollowsTheListsOwnOperations) {
  TImgIPTCInfoList list;
  EXPECT_FALSE(list.UserChanged());
  list.ClearRecords();
  EXPECT_TRUE(list.UserChanged());

  TImgIPTCInfoList other;
  const std::uint8_t bytes[] = {'a', 'b'};
  other.AddRecord(2, 5, bytes, sizeof bytes);
  other.SetUserChanged(false);
  list.SetUserChanged(false);
  list.AssignRecords(nullptr);
  EXPECT_FALSE(list.UserChanged());
  EXPECT_EQ(list.Count(), 0);
  list.AssignRecords(&other);
  EXPECT_TRUE(list.UserChanged());
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0].data, std::vector<std::uint8_t>({'a', 'b'}));
}

}  // namespace
