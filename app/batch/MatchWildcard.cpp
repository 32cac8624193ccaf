#include "app/batch/MatchWildcard.h"

#include <bitset>
#include <vector>

namespace {

constexpr int kMaxStarParts = 30;

unsigned char Upper(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

struct MaskState {
  enum Kind { kLiteral, kAnyChar, kSet, kStar } kind = kLiteral;
  unsigned char literal = 0;
  std::bitset<256> members;  // upper-cased; already inverted for "[!...]"
};

[[noreturn]] void Invalid(const std::string& mask, std::size_t index) {
  throw EInvalidMask("'" + mask + "' is an invalid mask at (" + std::to_string(index + 1) + ")");
}

// Reads the set that starts at mask[pos] == '[' and returns the index after its ']'.
std::size_t CompileSet(const std::string& mask, std::size_t pos, MaskState& state) {
  const std::size_t open = pos++;
  bool negate = false;
  if (pos < mask.size() && mask[pos] == '!') {
    negate = true;
    ++pos;
  }
  bool empty = true;
  while (pos < mask.size() && mask[pos] != ']') {
    // A '-' just before ']' stands for itself; anywhere else it must follow a range start.
    if (mask[pos] == '-' && (pos + 1 >= mask.size() || mask[pos + 1] != ']'))
      Invalid(mask, pos);
    unsigned char low = static_cast<unsigned char>(mask[pos]);
    unsigned char high = low;
    if (pos + 2 < mask.size() && mask[pos + 1] == '-' && mask[pos + 2] != ']') {
      high = static_cast<unsigned char>(mask[pos + 2]);
      pos += 2;
    }
    for (unsigned int c = low; c <= high; ++c)
      state.members.set(Upper(static_cast<char>(c)));
    empty = false;
    ++pos;
  }
  if (pos >= mask.size())
    Invalid(mask, open);
  if (empty)
    Invalid(mask, pos);
  if (negate)
    state.members.flip();
  state.kind = MaskState::kSet;
  return pos + 1;
}

std::vector<MaskState> CompileMask(const std::string& mask) {
  std::vector<MaskState> states;
  int starParts = 0;
  std::size_t pos = 0;
  while (pos < mask.size()) {
    MaskState state;
    const char c = mask[pos];
    if (c == '*') {
      if (!states.empty() && states.back().kind == MaskState::kStar) {
        ++pos;
        continue;
      }
      if (++starParts > kMaxStarParts)
        Invalid(mask, pos);
      state.kind = MaskState::kStar;
      ++pos;
    } else if (c == '?') {
      state.kind = MaskState::kAnyChar;
      ++pos;
    } else if (c == '[') {
      pos = CompileSet(mask, pos, state);
    } else {
      state.literal = Upper(c);
      ++pos;
    }
    states.push_back(state);
  }
  return states;
}

bool MatchesOne(const MaskState& state, char c) {
  switch (state.kind) {
    case MaskState::kAnyChar:
      return true;
    case MaskState::kSet:
      return state.members.test(Upper(c));
    case MaskState::kLiteral:
      return state.literal == Upper(c);
    case MaskState::kStar:
      break;
  }
  return false;
}

}  // namespace

bool MatchWildcard(const std::string& name, const std::string& mask) {
  const std::vector<MaskState> states = CompileMask(mask);
  // Each state but '*' consumes one character, so backtracking to the last star suffices.
  std::size_t s = 0;
  std::size_t n = 0;
  std::size_t starState = states.size();
  std::size_t starName = 0;
  while (n < name.size()) {
    if (s < states.size() && states[s].kind == MaskState::kStar) {
      starState = s++;
      starName = n;
    } else if (s < states.size() && MatchesOne(states[s], name[n])) {
      ++s;
      ++n;
    } else if (starState != states.size()) {
      s = starState + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (s < states.size() && states[s].kind == MaskState::kStar)
    ++s;
  return s == states.size();
}
