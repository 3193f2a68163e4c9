// WMI port: one connection to a namespace and WQL queries that read all
// result objects at once. The WmiQuery object of the storage bus layer is
// written over it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/status.h"

namespace tw {

struct WmiValue {
  enum class Type { kNull, kText, kInt, kBool };
  Type type = Type::kNull;
  std::u16string text;
  int64_t number = 0;

  static WmiValue Null() { return {}; }
  static WmiValue Text(std::u16string t) { WmiValue v; v.type = Type::kText; v.text = std::move(t); return v; }
  static WmiValue Int(int64_t n) { WmiValue v; v.type = Type::kInt; v.number = n; return v; }
  static WmiValue Bool(bool b) { WmiValue v; v.type = Type::kBool; v.number = b; return v; }
};

// One result object: every non-system property and its value.
using WmiRow = std::vector<std::pair<std::u16string, WmiValue>>;

class WmiConnection {
 public:
  virtual ~WmiConnection() = default;
  // Runs a WQL query (forward-only). Returns 0 and the rows, or an error
  // (an HRESULT) when the query fails. A query of an unknown class may
  // succeed with no rows, as WMI does.
  virtual Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) = 0;
};

class WmiService {
 public:
  virtual ~WmiService() = default;
  // Connects to a namespace such as "ROOT\cimv2" with the caller's
  // identity. Returns 0 and a connection, or the failing HRESULT.
  virtual Status Connect(const std::u16string& name_space, std::unique_ptr<WmiConnection>* out) = 0;
};

}  // namespace tw
