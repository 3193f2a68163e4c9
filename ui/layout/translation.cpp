#include "ui/layout/translation.h"

namespace tw::ui {

namespace {

// Length of the printf specifier at t[i] == '%', or 0 when there is none.
size_t SpecifierLength(const std::u16string& t, size_t i) {
  size_t j = i + 1;
  while (j < t.size() && (t[j] == u'-' || t[j] == u'+' || t[j] == u'0' || t[j] == u'#' || t[j] == u' ')) ++j;
  while (j < t.size() && ((t[j] >= u'0' && t[j] <= u'9') || t[j] == u'.')) ++j;
  while (j < t.size() && (t[j] == u'l' || t[j] == u'h' || t[j] == u'I')) ++j;
  if (j < t.size() && std::u16string(u"dixXuscCSfgp").find(t[j]) != std::u16string::npos) return j - i + 1;
  return 0;
}

}  // namespace

std::vector<Translator::Piece> Translator::Split(const std::u16string& t) {
  std::vector<Piece> out;
  std::u16string literal;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == u'%' && i + 1 < t.size() && t[i + 1] == u'%') {
      literal += u'%';
      ++i;
      continue;
    }
    size_t n = t[i] == u'%' ? SpecifierLength(t, i) : 0;
    if (n == 0) {
      literal += t[i];
      continue;
    }
    if (!literal.empty()) out.push_back({false, literal});
    literal.clear();
    out.push_back({true, {}});
    i += n - 1;
  }
  if (!literal.empty()) out.push_back({false, literal});
  return out;
}

void Translator::Add(const std::u16string& english, const std::u16string& localized) {
  if (english.empty()) return;
  exact_[english] = localized;
  std::vector<Piece> e = Split(english), l = Split(localized);
  auto values = [](const std::vector<Piece>& p) {
    size_t n = 0;
    for (const Piece& x : p) n += x.is_value;
    return n;
  };
  // Two values side by side could be split anywhere: such templates are
  // only ever matched exactly.
  bool adjacent = false;
  for (size_t i = 1; i < e.size(); ++i) adjacent |= e[i].is_value && e[i - 1].is_value;
  if (values(e) == 0 && values(l) == 0 && e.size() == 1 && l.size() <= 1) {
    // "100%% done" is shown as "100% done".
    exact_[e[0].literal] = l.empty() ? std::u16string() : l[0].literal;
  } else if (values(e) > 0 && values(e) == values(l) && !adjacent) {
    templates_.push_back({std::move(e), std::move(l)});
  }
}

bool Translator::Match(const std::vector<Piece>& pieces, size_t piece, const std::u16string& text, size_t at,
                       std::vector<std::u16string>& values) {
  if (piece == pieces.size()) return at == text.size();
  const Piece& p = pieces[piece];
  if (!p.is_value) {
    if (text.compare(at, p.literal.size(), p.literal) != 0) return false;
    return Match(pieces, piece + 1, text, at + p.literal.size(), values);
  }
  // A value is the shortest non-empty run after which the rest matches.
  for (size_t end = at + 1; end <= text.size(); ++end) {
    values.push_back(text.substr(at, end - at));
    if (Match(pieces, piece + 1, text, end, values)) return true;
    values.pop_back();
  }
  return false;
}

std::u16string Translator::Translate(const std::u16string& text) const {
  auto it = exact_.find(text);
  if (it != exact_.end()) return it->second;
  for (const Template& t : templates_) {
    std::vector<std::u16string> values;
    if (!Match(t.english, 0, text, 0, values)) continue;
    std::u16string out;
    size_t v = 0;
    for (const Piece& p : t.localized) out += p.is_value ? values[v++] : p.literal;
    return out;
  }
  return text;
}

}  // namespace tw::ui
