// The standard field-validation rules and messages of the dialogs, as
// portable code so models check fields the way their windows will.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// "Enter an integer between %1 and %2." filled in.
std::u16string IntegerRangeMessage(long long min, long long max);
// "Enter no more than %1 characters." filled in.
std::u16string TextLengthMessage(size_t max_chars);

// A whole decimal integer (optional sign, surrounding blanks allowed) within
// [min, max]; false otherwise.
bool ParseIntegerField(const std::u16string& text, long long min, long long max, long long* value);

// Whether `name` can stand as one part of a path and nothing more: not
// empty, "." or "..", no separator, drive colon, wildcard or control
// character, no trailing dot or blank (Windows drops them), and no device
// name such as CON, NUL or COM1 (with or without an extension).
bool IsPlainName(std::u16string_view name);

}  // namespace tw
