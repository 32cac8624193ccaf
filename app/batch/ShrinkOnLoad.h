#pragma once

/// The scale denominator (1, 2, 4 or 8) at which to decode a width x height JPEG that the size
/// rule brings to targetWidth x targetHeight. The codec delivers 1/d of a side rounded up; the
/// largest d whose delivery is still at least the target in both directions is chosen, and 1
/// whenever the target is more than half of either side, where a shrunk decode would save
/// little and cost the exact result.
int ShrinkDenominator(int width, int height, int targetWidth, int targetHeight);
