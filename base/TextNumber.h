#pragma once
// Locale-independent number formatting and parsing. Hosts may set a process
// locale with decimal commas; parameter texts must still read "0.71".

// Largest text FormatFixed can produce for any double, with terminator.
constexpr int kMaxNumberText = 352;

// Writes v with `precision` decimals (like "%.*f" in the C locale) into out,
// cut to outSize - 1 characters and terminated. Returns the full length.
// Any thread; no shared state.
int FormatFixed(double v, int precision, char* out, int outSize);

// Writes the integer v (like "%d") into out, bounded like FormatFixed.
int FormatInt(int v, char* out, int outSize);

// v truncated toward zero to a 32-bit integer, as the x86 conversion
// instruction does: NaN and values outside the range give INT_MIN.
int TruncateToInt(double v);

// Reads the leading decimal number of text like strtod in the C locale
// (leading white space, optional sign, digits, fraction, exponent, "inf",
// "nan"); 0.0 when no number can be read.
double ParseLeadingDouble(const char* text);
