#pragma once
// Whether this test program is built with AddressSanitizer, whose allocator
// and slower code change what some tests can measure.

#if defined(__SANITIZE_ADDRESS__)
#define VEXA_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXA_TEST_SANITIZED 1
#endif
#endif
#ifndef VEXA_TEST_SANITIZED
#define VEXA_TEST_SANITIZED 0
#endif

constexpr bool kSanitized = VEXA_TEST_SANITIZED != 0;
