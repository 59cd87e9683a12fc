// For test programs that ask for more memory than exists: AddressSanitizer
// answers null like the real allocator instead of stopping the program.
// Defines a function, so include it in one file of a program only.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VELLORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELLORA_ASAN 1
#endif
#endif
#ifdef VELLORA_ASAN
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif
