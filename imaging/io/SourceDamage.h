#pragma once

#include <string>

/// Whether the last load met a source that was damaged but still readable (cut short, corrupt
/// coded data), and why, in the reader's own words. Every reader fills it the same way: cleared
/// when it starts, Note() where it meets the damage, so a caller need not know the format. A
/// TIFF reader notes a strip that ends early or a decoder that stops before its rows are done.
struct TSourceDamage {
  bool Damaged = false;
  std::string Reason;

  /// Records damage; the first reason met is kept, as later trouble usually follows from it.
  void Note(const std::string& reason) {
    if (!Damaged)
      Reason = reason;
    Damaged = true;
  }
};
