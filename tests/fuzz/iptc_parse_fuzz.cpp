// Feeds arbitrary APP13 data to the IPTC parse, and what it read to both serial forms; the
// Photoshop form must parse back to the records that were written.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "JpegSegment.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgIPTCInfoList.h"
#include "imaging/io/TImgMarkerList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TImgIPTCInfoList list;
  list.ParseIptc(SegmentOrInput({data, size}, 0xED));
  const std::vector<std::uint8_t> tiffForm = list.SerializeIptc(false);
  const std::vector<std::uint8_t> photoshopForm = list.SerializeIptc(true, kMaxMarkerPayload);
  TImgIPTCInfoList again;
  again.ParseIptc(photoshopForm);
  int kept = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const bool written =
        !list[i].data.empty() && !(list[i].recordNumber == 2 && list[i].dataSet == 0);
    kept += written ? 1 : 0;
  }
  // When all of them fit in one marker, every record is written and read back.
  const bool allFit = list.SerializeIptc(true).size() <= kMaxMarkerPayload;
  if (allFit ? again.Count() != kept : again.Count() > kept)
    __builtin_trap();
  unsigned sum = static_cast<unsigned>(tiffForm.size());
  for (int i = 0; i < again.Count(); ++i)
    sum += static_cast<unsigned>(again[i].data.size());
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
