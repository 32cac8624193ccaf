#include "imaging/io/LZWProcs.h"

#include "imaging/io/tiff/TiffLzwDecoder.h"

TTIFFLZWDecoder& DefaultTIFFLZWDecoder() {
  static TTIFFLZWDecoder decoder = TiffLzwDecode;
  return decoder;
}

TTIFFLZWEncoder& DefaultTIFFLZWEncoder() {
  static TTIFFLZWEncoder encoder;
  return encoder;
}

TGifLZWDecoder& DefaultGifLZWDecoder() {
  static TGifLZWDecoder decoder;
  return decoder;
}

TGifLZWEncoder& DefaultGifLZWEncoder() {
  static TGifLZWEncoder encoder;
  return encoder;
}
