#pragma once
// Strict readings of the numbers given on the command line: the whole text
// must be the number, in the C locale's notation, within the option's
// range. Anything else is an error that names the option. Any thread.

#include <string>

// The end of the decimal number starting at text[at] (optional sign,
// digits, optional fraction, optional exponent; no "inf", "nan",
// hexadecimal or decimal comma), or at when there is none.
size_t ScanDecimal(const std::string& text, size_t at);

// Reads text as a decimal number from minimum to maximum; false with
// "OPTION: 'TEXT' is not a number from MIN to MAX" otherwise.
bool ParseNumberOption(const char* option, const std::string& text, double minimum, double maximum, double& value,
                       std::string& error);

// Reads text as a whole number (digits with an optional sign) from minimum
// to maximum; false with an error naming option otherwise.
bool ParseWholeOption(const char* option, const std::string& text, long long minimum, long long maximum,
                      long long& value, std::string& error);

// The shortest decimal text that reads back as v (C locale; with an
// exponent only for very large or very small values).
std::string NumberText(double v);
