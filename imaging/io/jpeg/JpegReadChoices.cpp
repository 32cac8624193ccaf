#include "imaging/io/jpeg/JpegReadChoices.h"

#include <cmath>
#include <cstdint>

#include "imaging/io/TIOParamsVals.h"

bool ApplyColorSpace(jpeg_decompress_struct& cinfo, bool rawYCbCr, TIOParamsVals& params) {
  params.BitsPerSample = 8;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      params.JpegColorSpace = 1;
      params.SamplesPerPixel = 1;
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_RGB:
      params.JpegColorSpace = 0;
      params.SamplesPerPixel = 3;
      cinfo.out_color_space = JCS_RGB;
      break;
    case JCS_YCbCr:
      params.JpegColorSpace = 2;
      params.SamplesPerPixel = 3;
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
      params.JpegColorSpace = 3;
      params.SamplesPerPixel = 4;
      cinfo.out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      params.JpegColorSpace = 4;
      params.SamplesPerPixel = 4;
      cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      // Any other component layout would deliver rows the 24-bit container cannot take.
      return false;
  }
  if (rawYCbCr)
    cinfo.out_color_space = JCS_YCbCr;
  return true;
}

void ApplyDensity(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  if (cinfo.density_unit == 0 || cinfo.density_unit == 1) {
    params.SetResolutionX(static_cast<int>(cinfo.X_density));
    params.SetResolutionY(static_cast<int>(cinfo.Y_density));
  } else if (cinfo.density_unit == 2) {
    params.SetResolutionX(static_cast<int>(std::nearbyint(cinfo.X_density * 2.54)));
    params.SetResolutionY(static_cast<int>(std::nearbyint(cinfo.Y_density * 2.54)));
  }
}

int ScaleDenominator(const jpeg_decompress_struct& cinfo, const TIOParamsVals& params) {
  switch (params.JpegScale) {
    case 1:
      return 1;
    case 2:
      return 2;
    case 3:
      return 4;
    case 4:
      return 8;
    case 0:
      break;
    default:
      return static_cast<int>(cinfo.scale_denom);
  }
  if (params.Width <= 0 || params.Height <= 0)
    return 1;
  for (int n = 3; n >= 0; --n) {
    if (static_cast<std::int64_t>(cinfo.image_width >> n) >= params.Width &&
        static_cast<std::int64_t>(cinfo.image_height >> n) >= params.Height) {
      return 1 << n;
    }
  }
  return 1;
}
