#include "tools/Arguments.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "base/TextNumber.h"

namespace {

// Longer fixed-point texts are written with an exponent instead.
constexpr long kLongestFixedText = 24;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(const std::string& text, size_t at)
{
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at;
}

}  // namespace

size_t ScanDecimal(const std::string& text, size_t at)
{
  size_t p = at;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  const size_t intStart = p;
  p = SkipDigits(text, p);
  size_t digits = p - intStart;
  if (p < text.size() && text[p] == '.') {
    const size_t fracStart = p + 1;
    const size_t fracEnd = SkipDigits(text, fracStart);
    digits += fracEnd - fracStart;
    p = fracEnd;
  }
  if (digits == 0) return at;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    size_t e = p + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const size_t expEnd = SkipDigits(text, e);
    if (expEnd > e) p = expEnd;
  }
  return p;
}

bool ParseNumberOption(const char* option, const std::string& text, double minimum, double maximum, double& value,
                       std::string& error)
{
  const bool whole = !text.empty() && ScanDecimal(text, 0) == text.size();
  const double v = whole ? ParseLeadingDouble(text.c_str()) : 0.0;
  if (whole && std::isfinite(v) && v >= minimum && v <= maximum) {
    value = v;
    return true;
  }
  error = std::string(option) + ": '" + text + "' is not a number from " + NumberText(minimum) + " to " +
          NumberText(maximum);
  return false;
}

bool ParseWholeOption(const char* option, const std::string& text, long long minimum, long long maximum,
                      long long& value, std::string& error)
{
  const size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  long long v = 0;
  const char* first = text.c_str() + start;
  const char* last = text.c_str() + text.size();
  const std::from_chars_result r = std::from_chars(first, last, v);
  const bool whole = start < text.size() && IsDigit(text[start]) && r.ec == std::errc() && r.ptr == last;
  if (whole && text[0] == '-') v = -v;
  if (whole && v >= minimum && v <= maximum) {
    value = v;
    return true;
  }
  error = std::string(option) + ": '" + text + "' is not a whole number from " + std::to_string(minimum) + " to " +
          std::to_string(maximum);
  return false;
}

std::string NumberText(double v)
{
  char buf[kMaxNumberText];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  // Very large or very small values read more easily with an exponent.
  if (r.ec != std::errc() || r.ptr - buf > kLongestFixedText) r = std::to_chars(buf, buf + sizeof buf, v);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}
