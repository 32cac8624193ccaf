#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/ImgTypes.h"
#include "imaging/io/LZWProcs.h"

// Option groups of writers this system does not build. They travel with the parameter record
// (reset, copied, partly cleared by loads) so that a record keeps the same contents whatever
// codecs are linked in. Each group's member initialisers are its reset defaults.

inline constexpr TColor kColorBlack = RgbColor(0, 0, 0);
inline constexpr TColor kColorWhite = RgbColor(255, 255, 255);

/// GIF reader and writer options.
struct TGifOptions {
  int ImageIndex = 0;
  int XPosition = 0;
  int YPosition = 0;
  bool Interlaced = false;
  bool HasTransparency = false;
  int TransparentIndex = 0;
  int DelayTime = 0;
  int DisposalMethod = 0;
  int LoopCount = 0;
  TColor TransparentColor = kColorBlack;
  TColor BackgroundColor = kColorBlack;
  TGifLZWDecoder LZWDecoder = DefaultGifLZWDecoder();
  TGifLZWEncoder LZWEncoder = DefaultGifLZWEncoder();
  std::vector<std::string> Comments;
};

/// Options of the PCX, metafile and PNG writers (kept before the BMP family).
struct TWriterOptionsHead {
  bool PcxRunLength = true;
  double WmfScale = 1.0;
  bool WmfIgnoreBounds = false;
  int PngCompressionLevel = 5;
  bool PngAdaptiveFilter = true;
};

/// Options of the PNG, icon, cursor, PNM, PCX and TGA writers (kept after the BMP family).
struct TWriterOptionsTail {
  int PngFilter = 0;
  TColor PngBackground = kColorWhite;
  int CursorHotSpotX = 0;
  int CursorHotSpotY = 0;
  int IconColorDepth = 0;
  TColor IconBackground = kColorWhite;
  bool TransparentBackground = false;
  TColor TransparentColor = kColorBlack;
  bool PnmPlainText = false;
  int PcxVersion = 5;
  int TgaOriginX = 0;
  int TgaOriginY = 0;
  bool TgaCompressed = true;
  std::string TgaAuthor;
  std::string TgaImageName;
  std::chrono::sys_days TgaDate{};  ///< the date of the last reset
  std::string TgaDescription;
  TColor TgaKeyColor = kColorBlack;
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  bool TgaGrayLevel = false;
};

/// PostScript and PDF writer options; paper sizes in points (A4 by default).
struct TPsPdfOptions {
  int PsOriginX = 0;
  int PsOriginY = 0;
  int PsPaperWidth = 595;
  int PsPaperHeight = 842;
  bool PsCompressed = true;
  std::string PsTitle = "No Title";
  int PdfPaperWidth = 595;
  int PdfPaperHeight = 842;
  std::uint8_t PdfCompression = 2;
  std::string PdfTitle;
  std::string PdfAuthor;
  std::string PdfSubject;
  std::string PdfKeywords;
  std::string PdfCreator;
  std::string PdfProducer;
};

/// JPEG 2000 coder settings: a 128-byte coding block (code-block width and height first) and a
/// 64-byte image block (bits per component first).
struct TJpeg2000Options {
  std::array<std::int32_t, 32> CodingParams{64, 64};
  std::array<std::int32_t, 16> ImageParams{8};
};
