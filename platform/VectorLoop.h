#pragma once

#include <cstddef>

#include "platform/VectorPath.h"

/// A pixel loop written once and always inlined into one copy per vector path, each copy built
/// for its path's instruction set: the compiler, not a hand copy, makes the wide variants.
#define QM_ROW_LOOP inline __attribute__((always_inline))

// Lane values pass between the inlined helpers of such a loop, never through a real call, so
// the note that a 32-byte vector argument changes the calling convention without AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QM_AVX2_TARGET __attribute__((target("avx2")))
#else
#define QM_AVX2_TARGET
#endif

/// How many elements of `Element` one step of a loop takes on `path`: one on the scalar path,
/// a vector register's worth (16 or 32 bytes) on the others.
template <typename Element>
constexpr std::size_t LanesOf(VectorPath path) {
  switch (path) {
    case VectorPath::Scalar:
      return 1;
    case VectorPath::Sse2:
      return 16 / sizeof(Element);
    case VectorPath::Avx2:
      return 32 / sizeof(Element);
  }
  return 1;
}

namespace vector_loop_detail {

template <typename Element, std::size_t kLanes>
struct Vector {
  typedef Element Type __attribute__((vector_size(kLanes * sizeof(Element))));
};

template <auto kLoop, typename... Arguments>
QM_AVX2_TARGET void RunWide(Arguments... arguments) {
  kLoop(arguments...);
}

template <class Loop, typename... Arguments>
QM_AVX2_TARGET void RunWide(Arguments... arguments) {
  Loop::template Run<VectorPath::Avx2>(arguments...);
}

}  // namespace vector_loop_detail

/// `kLanes` elements taken as one value: arithmetic and comparisons apply lane by lane, and a
/// comparison gives a mask of all-ones or zero lanes (the compiler's vector extension).
template <typename Element, std::size_t kLanes>
using Lanes = typename vector_loop_detail::Vector<Element, kLanes>::Type;

/// A loop that reads the same on every path, built for the baseline and for AVX2.
template <auto kLoop, typename... Arguments>
void RunOnActivePath(Arguments... arguments) {
  if (UsesVectorPath(VectorPath::Avx2))
    vector_loop_detail::RunWide<kLoop>(arguments...);
  else
    kLoop(arguments...);
}

/// A loop whose step width follows the path: `Loop::Run<path>(arguments...)` on the active one.
template <class Loop, typename... Arguments>
void RunOnActivePath(Arguments... arguments) {
  switch (ActiveVectorPath()) {
    case VectorPath::Avx2:
      vector_loop_detail::RunWide<Loop>(arguments...);
      return;
    case VectorPath::Sse2:
      Loop::template Run<VectorPath::Sse2>(arguments...);
      return;
    case VectorPath::Scalar:
      Loop::template Run<VectorPath::Scalar>(arguments...);
      return;
  }
}
