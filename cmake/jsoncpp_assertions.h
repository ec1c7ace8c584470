// Forced into every JsonCpp source: its own assertions header would build each
// failure message in a std::ostringstream, which alone links the standard
// streams and locales. Every message JsonCpp passes is a string literal, so the
// same exceptions are thrown without a stream. The include guard is JsonCpp's.
#pragma once
#define JSON_ASSERTIONS_H_INCLUDED

#include <cstdlib>

#define JSON_ASSERT(condition)                                  \
    do {                                                        \
        if (!(condition)) Json::throwLogicError("assert json failed"); \
    } while (0)

#define JSON_FAIL_MESSAGE(message)   \
    do {                             \
        Json::throwLogicError(message); \
        abort();                     \
    } while (0)

#define JSON_ASSERT_MESSAGE(condition, message)    \
    do {                                           \
        if (!(condition)) JSON_FAIL_MESSAGE(message); \
    } while (0)
