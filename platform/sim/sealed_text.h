// The text form of the simulated machine's files: lines of tokens, values
// as hex tokens (so any bytes fit on a line), and a final checksum line so
// a torn or edited file is refused instead of half-read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw::sim {

std::string HexToken(const std::string& bytes);
std::string HexToken(const std::vector<uint8_t>& bytes);
bool ParseHexToken(const std::string& token, std::string* bytes);
bool ParseNumberToken(const std::string& token, uint64_t* value);

// Appends the checksum line.
std::string SealText(const std::string& body);
// The body of a sealed text; false when the checksum line is missing or wrong.
bool UnsealText(const std::string& text, std::string* body);

// Splits a body into lines of whitespace-separated tokens.
std::vector<std::vector<std::string>> TokenLines(const std::string& body);

}  // namespace tw::sim
