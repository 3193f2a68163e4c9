// The standard field-validation rules and messages of the dialogs, as
// portable code so models check fields the way their windows will.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

// "Enter an integer between %1 and %2." filled in.
std::u16string IntegerRangeMessage(long long min, long long max);
// "Enter no more than %1 characters." filled in.
std::u16string TextLengthMessage(size_t max_chars);

// A whole decimal integer (optional sign, surrounding blanks allowed) within
// [min, max]; false otherwise.
bool ParseIntegerField(const std::u16string& text, long long min, long long max, long long* value);

}  // namespace tw
