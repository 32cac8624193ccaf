#pragma once

#include <string>

/// ASCII-wise lower case; other bytes (UTF-8 sequences) are kept.
inline std::string LowerCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

/// The file name's extension from its last ".", the dot included, lower-cased; empty when the
/// name has no dot.
inline std::string LowerCaseExtension(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
    return {};
  return LowerCaseAscii(path.substr(dot));
}
