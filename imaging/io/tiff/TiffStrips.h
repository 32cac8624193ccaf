#pragma once

class TImgBitmap;
struct TProgressRecord;
struct TTIFFVars;

/// Decodes the strips of a page into the allocated (and cleared) container. Layouts this
/// reader does not decode set the abort flag.
void TIFFReadStrips(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress);

/// Decodes the tiles of a page, left to right and then top to bottom; the parts of edge
/// tiles beyond the image are dropped.
void TIFFReadTiles(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress);
