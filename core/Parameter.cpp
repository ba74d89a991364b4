#include "core/Parameter.h"

#include <cmath>
#include <cstring>

#include "base/TextNumber.h"

void CopyText(char* dst, const char* src, int size)
{
  if (!dst || size <= 0) return;
  int n = 0;
  if (src) {
    while (n < size - 1 && src[n]) ++n;
    std::memcpy(dst, src, static_cast<size_t>(n));
  }
  dst[n] = 0;
}

void IParameter::DefineContinuous(const char* name, const char* label, double defaultValue, double minimum,
                                  double maximum, double step, double shape)
{
  if (mKind == kParamNone) mKind = kParamContinuous;
  CopyText(mName, name, kParamTextBytes);
  CopyText(mLabel, label, kParamTextBytes);
  mMin = minimum;
  mStep = step;
  mDefault = defaultValue;
  mValue = defaultValue;
  mMax = maximum > minimum + step ? maximum : minimum + step;
  int precision = 0;
  double s = step;
  while (s != std::floor(s) && precision < 6) {
    s *= 10.0;
    ++precision;
  }
  mPrecision = precision;
  if (shape != 0.0) mShape = shape;
}

void IParameter::DefineInteger(const char* name, double defaultValue, double minimum, double maximum,
                               const char* label)
{
  if (mKind == kParamNone) mKind = kParamInteger;
  DefineContinuous(name, label, defaultValue, minimum, maximum, 1.0, 1.0);
}

bool IParameter::AddDisplayText(int value, const char* text)
{
  const int old = mDisplayTexts.Size();
  const int want = old + static_cast<int>(sizeof(IDisplayText));
  mDisplayTexts.Resize(want, false);
  if (mDisplayTexts.Size() != want) return false;
  IDisplayText entry{};
  entry.value = value;
  CopyText(entry.text, text, kParamTextBytes);
  std::memcpy(static_cast<char*>(mDisplayTexts.Data()) + old, &entry, sizeof entry);
  return true;
}

void IParameter::SetClamped(double v)
{
  mValue = v < mMin ? mMin : (v < mMax ? v : mMax);
}

double IParameter::ToNormalized() const { return NormalizedOf(mValue); }

double IParameter::NormalizedOf(double v) const
{
  const double c = mMin > v ? mMin : (mMax < v ? mMax : v);
  return std::pow((c - mMin) / (mMax - mMin), 1.0 / mShape);
}

double IParameter::FromNormalized(double n) const
{
  return std::pow(n, mShape) * (mMax - mMin) + mMin;
}

void IParameter::SetFromNormalized(double n) { mValue = ValueForNormalized(n); }

double IParameter::ValueForNormalized(double n) const
{
  double v = FromNormalized(n);
  if (mKind != kParamContinuous) v = std::floor(v / mStep + 0.5) * mStep;
  return v < mMax ? v : mMax;
}

const IDisplayText* IParameter::EntryFor(double v) const
{
  const int count = DisplayTextCount();
  if (!count) return nullptr;
  const int iv = TruncateToInt(v);
  const IDisplayText* entries = static_cast<const IDisplayText*>(mDisplayTexts.Data());
  for (int i = 0; i < count; ++i) {
    if (entries[i].value == iv) return &entries[i];
  }
  return nullptr;
}

void IParameter::FormatValue(double v, bool isNormalized, char* out, int outSize, bool useDisplayTexts) const
{
  if (!out || outSize <= 0) return;
  if (isNormalized) v = FromNormalized(v);
  if (useDisplayTexts) {
    const IDisplayText* e = EntryFor(v);
    if (e && e->text[0]) {
      CopyText(out, e->text, outSize);
      return;
    }
  }
  if (mNegateDisplay) v = -v;
  if (mPrecision == 0) {
    FormatInt(TruncateToInt(v), out, outSize);
  } else {
    FormatFixed(v, mPrecision, out, outSize);
  }
}

const char* IParameter::UnitLabel() const
{
  const IDisplayText* e = EntryFor(mValue);
  return (e && e->text[0]) ? "" : mLabel;
}

const char* IParameter::DisplayTextFor(int value) const
{
  const IDisplayText* e = EntryFor(value);
  return e ? e->text : "";
}

bool IParameter::LookupDisplayText(const char* text, double* value) const
{
  if (!text) return false;
  const int count = DisplayTextCount();
  const IDisplayText* entries = static_cast<const IDisplayText*>(mDisplayTexts.Data());
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(entries[i].text, text) == 0) {
      if (value) *value = entries[i].value;
      return true;
    }
  }
  return false;
}
