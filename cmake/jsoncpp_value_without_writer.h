// Forced into json_value.cpp only. Value reaches into json_writer.cpp twice:
// Value::toStyledString builds a StreamWriterBuilder, and Value::asString turns
// numbers into text with valueToString. Either reference alone loads
// json_writer.cpp and, through it, the standard string streams and locales into
// every program that holds a Json::Value. Here asString gets the same text from
// the stream-free functions below, and toStyledString (which nothing of ours
// calls) throws Json::LogicError. Programs that write with JsonCpp's writers
// still link them as before.
#pragma once

// The writer's declarations first, under their own names; only the uses in
// json_value.cpp are renamed.
#include <json/writer.h>

#include <cmath>
#include <cstdio>

namespace Json {

struct StreamWriterBuilderNotLinked {};
[[noreturn]] inline String writeStringNotLinked(const StreamWriterBuilderNotLinked&, const Value&) {
    throwLogicError("Value::toStyledString is not linked: use a writer");
}

// valueToString's text for the three forms asString uses.
inline String numberTextInValue(LargestUInt value) {
    char digits[24];
    char* p = digits + sizeof(digits);
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return String(p, digits + sizeof(digits));
}

inline String numberTextInValue(LargestInt value) {
    // Negated in unsigned arithmetic: the smallest value has no positive twin.
    if (value < 0) return "-" + numberTextInValue(0 - static_cast<LargestUInt>(value));
    return numberTextInValue(static_cast<LargestUInt>(value));
}

inline String numberTextInValue(double value) {
    if (std::isnan(value)) return "null";
    if (std::isinf(value)) return value < 0 ? "-1e+9999" : "1e+9999";
    char text[40];  // %.17g of any finite double fits
    // The C runtime's own _snprintf: std::snprintf is MinGW's replacement,
    // which brings its whole printf and number conversion (some 40 KB).
    const int length = _snprintf(text, sizeof(text), "%.*g", int(Value::defaultRealPrecision), value);
    if (length <= 0 || length >= int(sizeof(text))) return String();
    String result(text, static_cast<size_t>(length));
    // That runtime writes three exponent digits ("1e+020"); C writes at least two.
    const size_t e = result.find('e');
    if (e != String::npos && result.size() - e == 5 && result[e + 2] == '0') result.erase(e + 2, 1);
    for (char& c : result) {
        if (c == ',') c = '.';  // a decimal comma from the C locale
    }
    // Keep it recognisably a double when read back.
    if (result.find('.') == String::npos && result.find('e') == String::npos) result += ".0";
    return result;
}

}  // namespace Json

#define StreamWriterBuilder StreamWriterBuilderNotLinked
#define writeString writeStringNotLinked
#define valueToString numberTextInValue
