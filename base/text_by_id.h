// A text of a string table by id, with its inserts, for screens that take
// their strings from resources. The template marks where the inserts go
// with %1 .. %9, as FormatMessage reads them, so a translation may put them
// in another order; a model hands out the id and the values (already
// written as text), and the screen loads the template in the user's language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tw {

struct TextById {
  int id = 0;
  std::vector<std::u16string> inserts;
};

// Fills %1 .. %9 of a template with the inserts; "%%" is a percent sign and
// an insert that is not there is left out. The portable twin of
// FormatMessage's, for tests and for front ends without string tables.
std::u16string FillInserts(std::u16string_view pattern, const std::vector<std::u16string>& inserts);

}  // namespace tw
