// WmiQuery: one connection to "ROOT\cimv2", a query read into rows at once,
// and a cursor over them. A failed connection finds nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wmi.h"

namespace tw {

class WmiQuery {
 public:
  explicit WmiQuery(WmiService& service);
  bool connected() const { return connection_ != nullptr; }
  // 0 with the cursor on the first row; -1 when the query fails.
  int Execute(const std::u16string& wql);
  bool AtEnd() const { return cursor_ >= rows_.size(); }
  // Moves on; false when the cursor already was at (or past) the last row.
  bool Next();
  // False when the property is missing or null.
  bool GetText(std::u16string_view name, std::u16string* text) const;
  // False when the property is missing (or null: it has no number to give).
  bool GetInt(std::u16string_view name, int32_t* value) const;

 private:
  const WmiValue* Find(std::u16string_view name) const;
  std::unique_ptr<WmiConnection> connection_;
  std::vector<WmiRow> rows_;
  size_t cursor_ = 0;
};

}  // namespace tw
