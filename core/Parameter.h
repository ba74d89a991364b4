#pragma once
// One automatable parameter: value, range, step, shape, texts and display.

#include "base/GrowBuffer.h"

enum ParamKind : int
{
  kParamNone = 0,
  kParamInteger = 2,
  kParamContinuous = 4,
};

// Byte sizes of the parameter's fixed text fields (with terminator).
constexpr int kParamTextBytes = 32;

// A display-text entry: a value shown as a text instead of a number.
struct IDisplayText
{
  int value;
  char text[kParamTextBytes];
};
static_assert(sizeof(IDisplayText) == 36, "display-text entries are 36 bytes");

// One parameter. Owned by the plug-in core's parameter list, which creates it
// at construction and destroys it with the instance; it owns its display-text
// storage. It has no lock of its own: after construction every reader and
// writer holds the instance lock.
class IParameter
{
public:
  IParameter() : mDisplayTexts(4096) {}

  // Definition, from the effect's constructor only.
  void DefineContinuous(const char* name, const char* label, double defaultValue, double minimum,
                        double maximum, double step, double shape);
  void DefineInteger(const char* name, double defaultValue, double minimum, double maximum,
                     const char* label);
  void SetShape(double shape) { mShape = shape; }
  // Adds a text shown instead of the number `value`; false when out of memory.
  bool AddDisplayText(int value, const char* text);
  void SetDisplayNegation(bool negate) { mNegateDisplay = negate; }

  ParamKind Kind() const { return mKind; }
  double Value() const { return mValue; }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Shape() const { return mShape; }
  double Default() const { return mDefault; }
  int DisplayPrecision() const { return mPrecision; }
  bool DisplayNegation() const { return mNegateDisplay; }
  const char* Name() const { return mName; }
  const char* Label() const { return mLabel; }

  // Stores v limited to the range (no quantising).
  void SetClamped(double v);
  // Normalized 0..1 view through the shape exponent.
  double ToNormalized() const;
  // Maps n through the shape; quantises non-continuous kinds to the step;
  // limits from above only.
  void SetFromNormalized(double n);
  // Maps a normalized value to the parameter's units (no quantising).
  double FromNormalized(double n) const;
  // The value SetFromNormalized(n) would store, and the normalized view of
  // any value (limited to the range first), without changing anything.
  double ValueForNormalized(double n) const;
  double NormalizedOf(double v) const;

  // Display text of v (in units, or normalized when isNormalized) into out,
  // bounded by outSize. Locale-independent.
  void FormatValue(double v, bool isNormalized, char* out, int outSize, bool useDisplayTexts) const;
  void FormatCurrent(char* out, int outSize) const { FormatValue(mValue, false, out, outSize, true); }
  // The label, or "" when a display text replaces the current value.
  const char* UnitLabel() const;
  // The value of the first entry whose text equals text, exactly.
  bool LookupDisplayText(const char* text, double* value) const;
  // The display text of value, or "" when it has none.
  const char* DisplayTextFor(int value) const;
  int DisplayTextCount() const { return mDisplayTexts.Size() / static_cast<int>(sizeof(IDisplayText)); }

private:
  const IDisplayText* EntryFor(double v) const;

  ParamKind mKind = kParamNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mPrecision = 0;
  char mName[kParamTextBytes] = {};
  char mLabel[kParamTextBytes] = {};
  bool mNegateDisplay = false;
  IGrowBuffer mDisplayTexts;
};

// Copies src into a fixed field of `size` bytes, cutting and terminating.
void CopyText(char* dst, const char* src, int size);
