// Text helpers. Portable code holds UTF-16 as std::u16string; UTF-16LE and
// ANSI bytes exist only inside records and on the wire.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace tw {

// UTF-8 <-> UTF-16 (ill-formed input becomes U+FFFD, never an overread).
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Shorthand for literals and ASCII-only texts in tests and tables.
inline std::u16string U16(std::string_view ascii_or_utf8) { return Utf8ToUtf16(ascii_or_utf8); }

// ASCII-only case folding, as the Windows comparisons of the Parts use it
// for device paths, captions and extensions.
char16_t AsciiLower(char16_t c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);
std::u16string ToLowerAscii(std::u16string_view s);

// A UTF-16LE text field of field_bytes bytes at off: the text is cut to
// leave room for the terminator (never between the halves of a surrogate
// pair) and a NUL follows it. Returns the number of characters stored.
// A field that does not fit the span is clipped to the span.
size_t PutUtf16Field(ByteSpan s, size_t off, size_t field_bytes, std::u16string_view text);
// Reads up to the first NUL or the end of the field (or of the span).
std::u16string GetUtf16Field(ConstByteSpan s, size_t off, size_t field_bytes);

// An 8-bit (ANSI or ASCII) text field: at most field_bytes - 1 bytes and a NUL.
size_t PutAnsiField(ByteSpan s, size_t off, size_t field_bytes, std::string_view bytes);
std::string GetAnsiField(ConstByteSpan s, size_t off, size_t field_bytes);

// Bounded copy of a UTF-16 text into a fixed-size character buffer of
// capacity characters including the terminator (the Parts' "at most 259
// characters plus the terminator").
std::u16string CutText(std::u16string_view text, size_t max_chars);

// The items of a separated list ("a,b,c"). Empty items between separators
// are dropped unless kept; a trailing separator never makes an item, and an
// empty text has none.
enum class EmptyItems { kDrop, kKeep };
std::vector<std::u16string> SplitList(std::u16string_view text, char16_t separator = u',',
                                      EmptyItems empty = EmptyItems::kDrop);
std::vector<std::string> SplitList(std::string_view text, char separator = ',', EmptyItems empty = EmptyItems::kDrop);

}  // namespace tw
