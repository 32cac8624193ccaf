#pragma once

#include <functional>

/// Progress of an effect in percent; empty when nobody listens, so effects skip the percent
/// arithmetic entirely then.
using EffectProgress = std::function<void(int percent)>;
