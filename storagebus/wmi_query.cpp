#include "storagebus/wmi_query.h"

#include <cstdlib>

#include "base/format.h"
#include "base/text.h"

namespace tw {

WmiQuery::WmiQuery(WmiService& service) {
  if (service.Connect(u"ROOT\\cimv2", &connection_) != 0) connection_.reset();
}

int WmiQuery::Execute(const std::u16string& wql) {
  rows_.clear();
  cursor_ = 0;
  if (!connection_) return -1;
  if (connection_->ExecQuery(wql, &rows_) != 0) {
    rows_.clear();
    return -1;
  }
  return 0;
}

bool WmiQuery::Next() {
  if (cursor_ + 1 >= rows_.size()) {
    cursor_ = rows_.size();
    return false;
  }
  ++cursor_;
  return true;
}

const WmiValue* WmiQuery::Find(std::u16string_view name) const {
  if (AtEnd()) return nullptr;
  for (const auto& [key, value] : rows_[cursor_])
    if (EqualsNoCase(key, name)) return &value;
  return nullptr;
}

bool WmiQuery::GetText(std::u16string_view name, std::u16string* text) const {
  const WmiValue* v = Find(name);
  if (!v || v->type == WmiValue::Type::kNull) return false;
  switch (v->type) {
    case WmiValue::Type::kText: *text = v->text; break;
    case WmiValue::Type::kBool: *text = v->number ? u"True" : u"False"; break;
    default: *text = Format(u"%d", {static_cast<long long>(v->number)}); break;
  }
  return true;
}

bool WmiQuery::GetInt(std::u16string_view name, int32_t* value) const {
  const WmiValue* v = Find(name);
  if (!v || v->type == WmiValue::Type::kNull) return false;
  if (v->type == WmiValue::Type::kText) {
    std::string s = Utf16ToUtf8(v->text);
    char* end = nullptr;
    long n = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || end == s.c_str()) return false;
    *value = static_cast<int32_t>(n);
    return true;
  }
  *value = static_cast<int32_t>(v->number);
  return true;
}

}  // namespace tw
