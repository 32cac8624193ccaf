#pragma once

#include <optional>
#include <string>
#include <string_view>

/// A web address taken apart the way the web load asks for it.
struct THttpAddress {
  std::string host;  ///< an IPv6 literal keeps its brackets
  int port = 80;
  std::string path;  ///< from the first "/" after the host, query included; "/" when absent
};

/// Splits "http://host[:port][/path]" (the scheme in any case); nothing when the host is
/// empty or the port is not a number from 1 to 65535.
std::optional<THttpAddress> SplitHttpAddress(std::string_view url);
