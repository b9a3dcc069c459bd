// Which sanitizer instruments this build, asked in one place: g++ says so with a macro,
// clang++ with a feature test. Each name is 1 or 0, for use in `#if` and in expressions.
#pragma once

#if defined(__has_feature)
#define MOXA_MA_VLASTNOST(f) __has_feature(f)
#else
#define MOXA_MA_VLASTNOST(f) 0
#endif

// AddressSanitizer: a run takes several times the stack and runs many times slower.
#if defined(__SANITIZE_ADDRESS__) || MOXA_MA_VLASTNOST(address_sanitizer)
#define MOXA_ASAN 1
#else
#define MOXA_ASAN 0
#endif

// ThreadSanitizer.
#if defined(__SANITIZE_THREAD__) || MOXA_MA_VLASTNOST(thread_sanitizer)
#define MOXA_TSAN 1
#else
#define MOXA_TSAN 0
#endif

#undef MOXA_MA_VLASTNOST
