#include "imaging/io/TImagerIO.h"
#include "imaging/io/web/HttpAddress.h"
#include "imaging/io/web/HttpDownload.h"
#include "platform/MemoryStream.h"

void TImagerIO::LoadFromUrl(const std::string& url) {
  const auto address = SplitHttpAddress(url);
  if (!address)
    return EndWithoutCodec();
  THttpRequestOptions options;
  options.proxyAddress = proxyAddress_;
  options.proxyUser = proxyUser_;
  options.proxyPassword = proxyPassword_;
  options.bodyLimit = webBodyLimit_;
  TMemoryStream body;
  // An error page, a cut-off body or one past the limit is not an image: no decoding.
  if (DownloadHttp(*address, options, body) != THttpResult::Received)
    return EndWithoutCodec();
  body.SetPosition(0);
  LoadFromStream(body);
}
