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

/// Where the file name's extension starts (its last "."), or npos when the name has no dot.
inline std::size_t ExtensionStart(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
    return std::string::npos;
  return dot;
}

/// The file name's extension from its last ".", the dot included, lower-cased; empty when the
/// name has no dot.
inline std::string LowerCaseExtension(const std::string& path) {
  const std::size_t dot = ExtensionStart(path);
  return dot == std::string::npos ? std::string() : LowerCaseAscii(path.substr(dot));
}
