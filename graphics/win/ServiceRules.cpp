#include "graphics/win/ServiceRules.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/TextNumber.h"
#include "core/Parameter.h"
#include "graphics/PopupMenu.h"

namespace {

// Kind codes that no definition operation produces; like Integer they take
// whole numbers, and 1 and 3 are chosen from display texts.
constexpr int kKindTextChoice = 1;
constexpr int kKindTextMenu = 3;
constexpr unsigned kBackspace = 0x08;
constexpr unsigned kFirstPrintable = 0x20;
// Room for the number prefix of a menu label ("999: "), terminator included.
constexpr int kMenuPrefixBytes = 24;

bool IsDigit(unsigned ch) { return ch >= '0' && ch <= '9'; }

bool TakesWholeNumbers(int kind) { return kind >= kKindTextChoice && kind <= kKindTextMenu; }

const char* MenuNumberFormat(int numbering)
{
  switch (numbering) {
    case kNumberingOneDigit: return "%1d: ";
    case kNumberingTwoDigits: return "%02d: ";
    case kNumberingThreeDigits: return "%03d: ";
    default: return nullptr;
  }
}

}  // namespace

bool EntryAcceptsChar(const IParameter* param, unsigned ch)
{
  if (!param || ch == kBackspace) return true;
  // Editing commands arrive as control characters; line breaks do not
  // belong in a value.
  if (ch < kFirstPrintable) return ch != '\r' && ch != '\n';
  const int kind = param->Kind();
  const bool number = IsDigit(ch) || ch == '-' || ch == '+';
  if (TakesWholeNumbers(kind)) return number;
  if (kind == kParamContinuous) return number || ch == '.';
  return true;
}

double EntryTypedValue(const IParameter& param, const char* text)
{
  if (!text) return 0.0;
  const int kind = param.Kind();
  if (kind == kKindTextChoice || kind == kKindTextMenu) {
    double v = 0.0;
    return param.LookupDisplayText(text, &v) ? v : 0.0;
  }
  const double v = ParseLeadingDouble(text);
  // "nan" would poison the parameter; it is no number the user meant.
  return std::isnan(v) ? 0.0 : v;
}

void MenuItemLabel(const PopupMenuSpec& menu, int position, IGrowString* out)
{
  if (!out) return;
  const PopupMenuItem* item = menu.Item(position);
  const char* text = item ? item->text.Get() : "";
  const char* format = MenuNumberFormat(menu.Numbering());
  if (!format) {
    out->Set(text);
    return;
  }
  char prefix[kMenuPrefixBytes] = {};
  const int n = std::snprintf(prefix, sizeof prefix, format, position + 1);
  const int length = n < 0 ? 0 : (n < kMenuPrefixBytes ? n : kMenuPrefixBytes - 1);
  out->Set(prefix, length);
  out->SetAt(length, text, static_cast<int>(std::strlen(text)));
}

bool FileFilterFor(const char* extensions, IGrowString* patterns, IGrowString* defaultExtension)
{
  if (!patterns || !defaultExtension) return false;
  patterns->Set("");
  defaultExtension->Set("");
  if (!extensions) return false;
  const char* p = extensions;
  bool any = false;
  while (*p) {
    // Runs of spaces separate extensions; none of them is an empty one.
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    const int length = static_cast<int>(p - start);
    if (length == 0) continue;
    if (!any) defaultExtension->Set(start, length < kDefaultExtensionChars ? length : kDefaultExtensionChars);
    const int at = patterns->Length();
    patterns->SetAt(at, any ? ";*." : "*.", any ? 3 : 2);
    patterns->SetAt(patterns->Length(), start, length);
    any = true;
  }
  return any;
}

bool FolderOfPath(const char* path, IGrowString* out)
{
  if (!out) return false;
  out->Set("");
  if (!path) return false;
  const char* last = nullptr;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') last = p;
  }
  if (!last || last[1] == 0) return false;
  out->Set(path, static_cast<int>(last - path) + 1);
  return true;
}
