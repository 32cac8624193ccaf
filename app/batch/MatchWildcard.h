#pragma once

#include <stdexcept>
#include <string>

/// A mask that cannot be compiled; what() is "'<mask>' is an invalid mask at (<position>)".
class EInvalidMask : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// True when the whole name matches the mask: '*' any run, '?' one character, "[...]" one
/// character of a set of characters and ranges ("[!...]" negated); letters compare
/// case-insensitively (ASCII). Throws EInvalidMask for a malformed mask.
bool MatchWildcard(const std::string& name, const std::string& mask);
