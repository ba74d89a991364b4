#include "base/TextNumber.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

namespace {

int CopyBounded(const char* src, int len, char* out, int outSize)
{
  if (out && outSize > 0) {
    const int n = len < outSize - 1 ? len : outSize - 1;
    std::memcpy(out, src, static_cast<size_t>(n));
    out[n] = 0;
  }
  return len;
}

}  // namespace

int FormatFixed(double v, int precision, char* out, int outSize)
{
  char buf[kMaxNumberText];
  if (precision < 0) precision = 0;
  if (precision > 17) precision = 17;
  if (std::isnan(v)) return CopyBounded(std::signbit(v) ? "-nan" : "nan", std::signbit(v) ? 4 : 3, out, outSize);
  if (std::isinf(v)) return CopyBounded(v < 0 ? "-inf" : "inf", v < 0 ? 4 : 3, out, outSize);
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, precision);
  if (r.ec != std::errc()) return CopyBounded("", 0, out, outSize);
  return CopyBounded(buf, static_cast<int>(r.ptr - buf), out, outSize);
}

int FormatInt(int v, char* out, int outSize)
{
  char buf[16];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof(buf), v);
  return CopyBounded(buf, static_cast<int>(r.ptr - buf), out, outSize);
}

int TruncateToInt(double v)
{
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}

double ParseLeadingDouble(const char* text)
{
  if (!text) return 0.0;
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // from_chars takes no sign of its own beyond '-', and no hexadecimal prefix.
  const char* end = p + std::strlen(p);
  double v = 0.0;
  std::from_chars_result r;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    r = std::from_chars(p + 2, end, v, std::chars_format::hex);
    if (r.ec == std::errc::invalid_argument) return negative ? -0.0 : 0.0;  // "0x" reads as 0
  } else {
    r = std::from_chars(p, end, v, std::chars_format::general);
  }
  if (r.ec == std::errc::invalid_argument) return 0.0;
  if (r.ec == std::errc::result_out_of_range) {
    // Like strtod: overflow gives infinity, underflow gives zero. Tell them
    // apart by the exponent's sign.
    const char* e = p;
    while (e < r.ptr && *e != 'e' && *e != 'E' && *e != 'p' && *e != 'P') ++e;
    const bool tiny = e < r.ptr && e + 1 < r.ptr && e[1] == '-';
    v = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -v : v;
}
