// The user's language for texts the core hands to the windows. The models
// and flows speak English (their texts are part of their contract and of
// their tests); the windows pass every such text through one Translator
// filled from the program's string tables.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace tw::ui {

class Translator {
 public:
  // `english` is either a plain text or a printf-style template ("Mount
  // error %x"); `localized` uses the same specifiers in the same order.
  void Add(const std::u16string& english, const std::u16string& localized);
  // The text in the user's language: an exact entry first, then a template
  // whose literal parts match the text, with the values it matched put into
  // the localized template. Unknown texts come back unchanged.
  std::u16string Translate(const std::u16string& text) const;
  size_t size() const { return exact_.size(); }

 private:
  struct Piece {
    bool is_value;
    std::u16string literal;
  };
  struct Template {
    std::vector<Piece> english, localized;
  };
  static std::vector<Piece> Split(const std::u16string& t);
  static bool Match(const std::vector<Piece>& pieces, size_t piece, const std::u16string& text, size_t at,
                    std::vector<std::u16string>& values);

  std::unordered_map<std::u16string, std::u16string> exact_;
  std::vector<Template> templates_;
};

}  // namespace tw::ui
