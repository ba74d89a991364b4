#pragma once
// The seed of a randomised test, replayable: VEXA_TEST_SEED (decimal, or hex
// with 0x) replaces the test's own choice, and every failure inside the seed's
// scope prints the seed with the line that replays it.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

class TestSeed
{
public:
  // A fresh seed for every run, unless VEXA_TEST_SEED is set.
  TestSeed() : TestSeed(std::random_device{}()) {}
  // fallback unless VEXA_TEST_SEED is set.
  explicit TestSeed(uint32_t fallback) : mValue(Choose(fallback)), mTrace(__FILE__, __LINE__, Note(mValue)) {}

  operator uint32_t() const { return mValue; }

private:
  static uint32_t Choose(uint32_t fallback)
  {
    const char* text = std::getenv("VEXA_TEST_SEED");
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    return *end == '\0' ? static_cast<uint32_t>(value) : fallback;
  }

  static std::string Note(uint32_t seed)
  {
    char text[64];
    std::snprintf(text, sizeof text, "seed %u (replay: VEXA_TEST_SEED=%u)", static_cast<unsigned>(seed),
                  static_cast<unsigned>(seed));
    return text;
  }

  uint32_t mValue;
  testing::ScopedTrace mTrace;
};
