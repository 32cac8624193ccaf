#include "imaging/io/web/HttpAddress.h"

#include <charconv>

namespace {

constexpr std::string_view kScheme = "http://";
constexpr int kDefaultPort = 80;
constexpr int kLastPort = 65535;

bool HasScheme(std::string_view url) {
  if (url.size() < kScheme.size())
    return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    const char c = url[i];
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != kScheme[i])
      return false;
  }
  return true;
}

std::optional<int> ParsePort(std::string_view text) {
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > kLastPort)
    return std::nullopt;
  return port;
}

}  // namespace

std::optional<THttpAddress> SplitHttpAddress(std::string_view url) {
  if (!HasScheme(url))
    return std::nullopt;
  url.remove_prefix(kScheme.size());
  const std::size_t pathStart = url.find_first_of("/?#");
  std::string_view authority = url.substr(0, pathStart);
  THttpAddress address;
  address.path = pathStart == std::string_view::npos ? "/" : std::string(url.substr(pathStart));
  if (address.path.front() != '/')
    address.path.insert(0, "/");
  // The colon before a port is the last one, except inside an IPv6 literal's brackets.
  const std::size_t bracketEnd = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos &&
      (bracketEnd == std::string_view::npos || colon > bracketEnd)) {
    const auto port = ParsePort(authority.substr(colon + 1));
    if (!port)
      return std::nullopt;
    address.port = *port;
    authority = authority.substr(0, colon);
  } else {
    address.port = kDefaultPort;
  }
  if (authority.empty() || authority.find('@') != std::string_view::npos)
    return std::nullopt;
  address.host = std::string(authority);
  return address;
}
