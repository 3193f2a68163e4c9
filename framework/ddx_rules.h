// Parsing and messages of the dialog data exchange, kept portable so the
// rules are tested natively.
#pragma once

#include <string>
#include <string_view>

namespace tw::fw {

// A whole integer: optional spaces around, an optional sign, decimal
// digits, nothing else, and within the range of int.
bool ParseInteger(std::u16string_view text, int* value);

// "Enter an integer between %1 and %2." with the bounds put in.
std::u16string IntegerRangeMessage(int min, int max);

// Replaces %1 .. %9 by the given texts; "%%" is a percent sign.
std::u16string FormatPositional(std::u16string_view pattern, std::initializer_list<std::u16string> args);

}  // namespace tw::fw
