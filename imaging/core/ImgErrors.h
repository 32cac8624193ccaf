#pragma once

#include <stdexcept>
#include <string>

/// Base of every error the imaging library raises; what() is the exact message text.
class EImgError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A file could not be opened ("Cannot open file %s") or created ("Cannot create file %s").
class EImgFileError : public EImgError {
 public:
  using EImgError::EImgError;
};

/// Memory for pixels could not be had, or a size does not fit the container.
class EImgOutOfMemory : public EImgError {
 public:
  using EImgError::EImgError;
};

/// A fatal error of the JPEG library, with the library's message.
class EImgJpegException : public EImgError {
 public:
  using EImgError::EImgError;
};
