#include "tools/StateCheck.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/StateChunk.h"

namespace {

constexpr size_t kWordBytes = 4;
constexpr size_t kHeaderBytes = 2 * kWordBytes;  // magic, version
constexpr size_t kValueBytes = 8;                // a parameter's value, a little-endian double
// Values of a state saved without header (as early versions did) are
// plain parameter values; bytes of another kind of file read as doubles
// come out beyond this, or not finite.
constexpr double kLargestPlainValue = 1e6;

uint32_t Word(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

double Value(const unsigned char* p)
{
  uint64_t bits = 0;
  for (size_t i = 0; i < kValueBytes; ++i) bits |= static_cast<uint64_t>(p[i]) << (8 * i);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

StateCheck Damaged(const std::string& reason) { return StateCheck{StateVerdict::kDamaged, reason}; }

// The parameter values from at on: params of them and nothing after.
StateCheck CheckValues(size_t size, size_t at, int params)
{
  const size_t want = static_cast<size_t>(params) * kValueBytes;
  const size_t have = size - at;
  if (have < want) {
    return Damaged("cut short after " + std::to_string(have / kValueBytes) + " of its " + std::to_string(params) +
                   " values");
  }
  if (have > want) return Damaged(std::to_string(have - want) + " bytes after its values");
  return StateCheck();
}

// A bank: for each program slot a name (length, bytes), a flag, and the
// values when the flag is set.
StateCheck CheckBank(const std::vector<unsigned char>& b, int params, int programs)
{
  size_t at = kHeaderBytes;
  for (int slot = 0; slot < programs; ++slot) {
    if (b.size() - at < kWordBytes) return Damaged("cut short inside the name of program " + std::to_string(slot + 1));
    const uint32_t length = Word(&b[at]);
    at += kWordBytes;
    if (length > b.size() - at) {
      return Damaged("the name of program " + std::to_string(slot + 1) + " claims " +
                     std::to_string(static_cast<int32_t>(length)) + " bytes");
    }
    at += length;
    if (at >= b.size()) return Damaged("cut short before the flag of program " + std::to_string(slot + 1));
    const bool initialised = b[at++] != 0;
    if (!initialised) continue;
    const size_t values = static_cast<size_t>(params) * kValueBytes;
    if (b.size() - at < values) return CheckValues(b.size(), at, params);
    at += values;
  }
  if (at < b.size()) return Damaged(std::to_string(b.size() - at) + " bytes after its programs");
  return StateCheck();
}

// A file without the header: a program's values as early versions saved
// them, or no Vexa state.
StateCheck CheckHeaderless(const std::vector<unsigned char>& b, int params)
{
  const bool sized = b.size() == static_cast<size_t>(params) * kValueBytes;
  for (size_t at = 0; sized && at < b.size(); at += kValueBytes) {
    const double v = Value(&b[at]);
    if (!(std::fabs(v) <= kLargestPlainValue)) {
      return StateCheck{StateVerdict::kForeign, "not a Vexa state: it does not begin with Vexa's state header"};
    }
  }
  if (sized) return StateCheck();
  return StateCheck{StateVerdict::kForeign,
                    b.empty() ? "not a Vexa state: the file is empty"
                              : "not a Vexa state: it does not begin with Vexa's state header"};
}

}  // namespace

StateCheck CheckVexaState(const std::vector<unsigned char>& b, bool program, int params, int programs)
{
  if (b.size() < kWordBytes || static_cast<int>(Word(b.data())) != kChunkMagic) return CheckHeaderless(b, params);
  if (b.size() < kHeaderBytes) return Damaged("cut short inside its header");
  const bool bank = !program && static_cast<int>(Word(&b[kWordBytes])) >= kChunkVersion;
  return bank ? CheckBank(b, params, programs) : CheckValues(b.size(), kHeaderBytes, params);
}
