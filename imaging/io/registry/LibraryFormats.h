#pragma once

/// Adds the registry rows of the formats read through Debian's libraries, once however often
/// it is called: WebP, HEIF (".heic", ".heif") and AVIF, each recognised by content (the RIFF
/// signature, the `ftyp` brands). The I/O object calls it when the first one is made.
void AddLibraryFormats();
