#include "vst3/Text16.h"

namespace {
constexpr unsigned kAsciiEnd = 0x80;
constexpr char16_t kReplacement = 0xFFFD;
}  // namespace

void ToText16(const char* src, char16_t* dst, int dstChars)
{
  if (!dst || dstChars <= 0) return;
  int i = 0;
  for (; src && src[i] && i < dstChars - 1; ++i) {
    const unsigned char c = static_cast<unsigned char>(src[i]);
    dst[i] = c < kAsciiEnd ? static_cast<char16_t>(c) : kReplacement;
  }
  dst[i] = 0;
}

void FromText16(const char16_t* src, int srcChars, char* dst, int dstBytes)
{
  if (!dst || dstBytes <= 0) return;
  int i = 0;
  for (; src && i < srcChars && src[i] && i < dstBytes - 1; ++i) {
    dst[i] = src[i] < kAsciiEnd ? static_cast<char>(src[i]) : '?';
  }
  dst[i] = 0;
}
