#pragma once

#include <cstdint>
#include <span>

/// True when the file's primary item carries a rotation or mirror property (`irot`, `imir`),
/// read from its `meta` box: the decode turns the picture by them, so an EXIF orientation in the
/// same file describes a turn that is already done. False for a file whose boxes cannot be read.
bool HeifPrimaryIsTransformed(std::span<const std::uint8_t> file);
