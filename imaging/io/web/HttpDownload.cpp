#include "imaging/io/web/HttpDownload.h"

#include <memory>

#include "imaging/io/web/CurlLibrary.h"
#include "platform/MemoryStream.h"

namespace {

constexpr char kAgent[] = "Mozilla/4.*";
constexpr long kPieceSize = 65536;
constexpr long kMaxRedirects = 10;
constexpr long kConnectSeconds = 30;
// A server that stops sending for a minute is taken as gone.
constexpr long kStallSeconds = 60;

struct TReceiver {
  TMemoryStream* body = nullptr;
  std::int64_t limit = 0;
  bool overLimit = false;
  bool failed = false;
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* context) {
  auto& receiver = *static_cast<TReceiver*>(context);
  const std::size_t bytes = size * count;
  // A piece is at most the transfer buffer, so neither side can overflow.
  if (static_cast<std::int64_t>(bytes) > receiver.limit - receiver.body->Size()) {
    receiver.overLimit = true;
    return 0;  // ends the transfer
  }
  try {
    receiver.body->Write(data, static_cast<std::int64_t>(bytes));
  } catch (...) {
    // Nothing may pass through the library's C frames; a short count ends the transfer.
    receiver.failed = true;
    return 0;
  }
  return bytes;
}

class TEasyHandle {
 public:
  explicit TEasyHandle(const TCurlApi& api) : api_(api), handle_(api.easyInit()) {}
  ~TEasyHandle() {
    if (handle_ != nullptr)
      api_.easyCleanup(handle_);
    if (headers_ != nullptr)
      api_.slistFreeAll(headers_);
  }
  TEasyHandle(const TEasyHandle&) = delete;
  TEasyHandle& operator=(const TEasyHandle&) = delete;

  bool IsOpen() const { return handle_ != nullptr; }
  CURL* Get() const { return handle_; }
  /// Keeps the header list alive as long as the handle that sends it.
  bool AddHeader(const char* header) {
    curl_slist* list = api_.slistAppend(headers_, header);
    if (list == nullptr)
      return false;
    headers_ = list;
    return true;
  }
  curl_slist* Headers() const { return headers_; }

 private:
  const TCurlApi& api_;
  CURL* handle_;
  curl_slist* headers_ = nullptr;
};

bool Configure(const TCurlApi& api, TEasyHandle& easy, const THttpAddress& address,
               const THttpRequestOptions& options, TReceiver& receiver) {
  CURL* curl = easy.Get();
  const std::string url = "http://" + address.host + address.path;
  if (!easy.AddHeader("Cache-Control: no-cache") || !easy.AddHeader("Pragma: no-cache"))
    return false;
  // Every option must take: a library too old to confine redirects to http is not used.
  bool ok = api.easySetopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_PORT, static_cast<long>(address.port)) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http") == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_USERAGENT, kAgent) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) ==
                CURLE_OK &&
            api.easySetopt(curl, CURLOPT_HTTPHEADER, easy.Headers()) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_BUFFERSIZE, kPieceSize) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                           static_cast<curl_off_t>(options.bodyLimit)) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_WRITEFUNCTION, Receive) == CURLE_OK &&
            api.easySetopt(curl, CURLOPT_WRITEDATA, &receiver) == CURLE_OK;
  // An empty proxy also keeps the environment's proxy variables out of the request.
  ok = ok && api.easySetopt(curl, CURLOPT_PROXY, options.proxyAddress.c_str()) == CURLE_OK;
  if (ok && !options.proxyAddress.empty() && !options.proxyUser.empty()) {
    ok = api.easySetopt(curl, CURLOPT_PROXYUSERNAME, options.proxyUser.c_str()) == CURLE_OK &&
         api.easySetopt(curl, CURLOPT_PROXYPASSWORD, options.proxyPassword.c_str()) == CURLE_OK;
  }
  return ok;
}

}  // namespace

THttpResult DownloadHttp(const THttpAddress& address, const THttpRequestOptions& options,
                         TMemoryStream& body) {
  const TCurlApi* api = CurlApi();
  if (api == nullptr)
    return THttpResult::NoLibrary;
  TEasyHandle easy(*api);
  TReceiver receiver{&body, options.bodyLimit, false, false};
  if (!easy.IsOpen() || !Configure(*api, easy, address, options, receiver))
    return THttpResult::Failed;
  const CURLcode result = api->easyPerform(easy.Get());
  if (receiver.overLimit || result == CURLE_FILESIZE_EXCEEDED)
    return THttpResult::TooLarge;
  long status = 0;
  api->easyGetinfo(easy.Get(), CURLINFO_RESPONSE_CODE, &status);
  if (status != 0 && (status < 200 || status > 299))
    return THttpResult::NotSuccessful;
  return result == CURLE_OK && !receiver.failed ? THttpResult::Received : THttpResult::Failed;
}
