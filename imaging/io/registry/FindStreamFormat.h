#pragma once

class TByteStream;

/// The format id of the image at the stream's current position, found by content: first the
/// registry rows' tests, then the built-in signatures; 0 when nothing matches. The position is
/// the same afterwards.
int FindStreamFormat(TByteStream& stream);
