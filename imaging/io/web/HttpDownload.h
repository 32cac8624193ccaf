#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/web/HttpAddress.h"

class TMemoryStream;

struct THttpRequestOptions {
  std::string proxyAddress;  ///< empty: a direct connection
  std::string proxyUser;
  std::string proxyPassword;
  std::int64_t bodyLimit = 0;  ///< the longest answer accepted, in bytes
};

enum class THttpResult {
  Received,       ///< a 2xx answer, its whole body in the stream
  NoLibrary,      ///< the transfer library could not be bound
  Failed,         ///< no connection, no answer, a refused redirect or a broken transfer
  NotSuccessful,  ///< an answer outside 2xx
  TooLarge,       ///< declared or delivered body beyond the limit
};

/// Fetches the address with one "GET" over HTTP/1.1, past caches, into body. Redirects are
/// followed only to other "http://" addresses.
THttpResult DownloadHttp(const THttpAddress& address, const THttpRequestOptions& options,
                         TMemoryStream& body);
