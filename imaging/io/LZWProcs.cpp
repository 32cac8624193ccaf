#include "imaging/io/LZWProcs.h"

TTIFFLZWDecoder& DefaultTIFFLZWDecoder() {
  static TTIFFLZWDecoder decoder;
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
