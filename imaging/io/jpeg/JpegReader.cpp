#include "imaging/io/jpeg/JpegReader.h"

#include "imaging/io/jpeg/JpegRowReader.h"

void ReadJpegImage(TByteStream& stream, TByteStream* tables, TImgBitmap& bitmap, bool rawYCbCr,
                   bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params) {
  TJpegRowReader reader(stream, tables, rawYCbCr, progress, params);
  if (reader.Start(paramsOnly) && !paramsOnly)
    reader.DecodeInto(bitmap);
  reader.Finish();
}
