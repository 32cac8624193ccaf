#pragma once

class TImgBitmap;
struct TProgressRecord;
struct TTIFFVars;

/// Decodes the strips of a page into the allocated (and cleared) container. Layouts this
/// reader does not decode set the abort flag.
void TIFFReadStrips(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress);

/// True when every strip or tile of the page lies whole inside the file and the strips reach the
/// last row: a file cut short (an interrupted copy) is read as far as it goes, and is damaged.
bool TiffBlocksInFile(const TTIFFVars& vars);

/// Decodes the tiles of a page, left to right and then top to bottom; the parts of edge
/// tiles beyond the image are dropped.
void TIFFReadTiles(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress);
