#pragma once

/// The format ids of the built-in registry rows, as FormatId records them.
enum TFormatId : int {
  kFormatUnknown = 0,
  kFormatTiff = 1,
  kFormatGif = 2,
  kFormatJpeg = 3,
  kFormatPcx = 4,
  kFormatBmp = 5,
  kFormatIcon = 6,
  kFormatCursor = 7,
  kFormatPng = 8,
  kFormatWmf = 9,
  kFormatEmf = 10,
  kFormatTga = 11,
  kFormatPnm = 12,
  kFormatJpeg2000 = 13,
  kFormatJpeg2000CodeStream = 14,
  kFormatAvi = 15,
  kFormatWbmp = 16,
  kFormatPostScript = 17,
  kFormatPdf = 18,
};

/// The format ids of the rows that AddLibraryFormats adds.
enum TLibraryFormatId : int {
  kFormatWebp = 19,
  kFormatHeif = 20,
  kFormatAvif = 21,
};
