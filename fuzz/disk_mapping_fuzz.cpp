// The disk mapping over WMI rows the input rewrites: rows dropped, repeated
// or added, captions, device ids, target ids and drive ids replaced by any
// text or number, queries failing. The rewriting is kept per query text,
// so every reader sees one machine and their answers must agree: each
// slot's letters alike from the one-slot and the all-slots reader, split
// as "X: " groups of drive ids WMI gave, the disk found one WMI listed,
// and every association asked for an id WMI gave, escaped so WQL reads it
// back unchanged.
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "base/text.h"
#include "fuzz/fuzz_machine.h"
#include "platform/wmi.h"
#include "storagebus/disk_mapping.h"

namespace {

using tw::WmiRow;
using tw::WmiValue;
using tw::fuzzing::FuzzInput;

const char16_t* const kProperties[] = {u"Caption", u"DeviceID", u"SCSITargetId", u"Id"};

bool IsDriveId(const std::u16string& t) {
  return t.size() == 2 && t[1] == u':' && ((t[0] >= u'A' && t[0] <= u'Z') || (t[0] >= u'a' && t[0] <= u'z'));
}

// A WQL string literal from just after its opening quote, as WMI reads it.
bool ReadWqlString(const std::u16string& q, size_t pos, std::u16string* out) {
  for (size_t i = pos; i < q.size(); ++i) {
    if (q[i] == u'"') return i + 1 < q.size() && q[i + 1] == u'}';
    if (q[i] == u'\\') {
      if (++i >= q.size() || (q[i] != u'\\' && q[i] != u'"')) return false;
    }
    out->push_back(q[i]);
  }
  return false;
}

class Rewriter {
 public:
  explicit Rewriter(FuzzInput& in) : in_(in) {}

  WmiValue Value() {
    switch (in_.Byte() % 8) {
      case 0: return WmiValue::Null();
      case 1: return WmiValue::Int(static_cast<int32_t>(in_.U32()));
      case 2: return WmiValue::Int(in_.Byte() % 10 - 1);
      case 3: return WmiValue::Bool(in_.Byte() & 1);
      case 4: return WmiValue::Text(u"Velthorn Virtual Disk" + in_.Text(8));
      case 5: return WmiValue::Text(std::u16string(1, static_cast<char16_t>(u'A' + in_.Byte() % 26)) + u":");
      case 6: return WmiValue::Text(u"\\\\.\\PHYSICALDRIVE" + in_.Text(4));
      default: return WmiValue::Text(in_.Text(40));
    }
  }

  void Rewrite(std::vector<WmiRow>& rows) {
    for (int ops = in_.Byte() % 8; ops > 0; --ops) {
      const uint8_t op = in_.Byte();
      const size_t at = rows.empty() ? 0 : in_.Byte() % rows.size();
      switch (op % 6) {
        case 0:
          if (!rows.empty()) rows.erase(rows.begin() + at);
          break;
        case 1:
          if (!rows.empty() && rows.size() < 64) rows.insert(rows.begin() + at, rows[at]);
          break;
        case 2: {
          WmiRow row;
          for (const char16_t* name : kProperties)
            if (in_.Byte() & 1) row.emplace_back(name, Value());
          rows.push_back(std::move(row));
          break;
        }
        case 3:
        case 4: {
          if (rows.empty()) break;
          const std::u16string name = kProperties[in_.Byte() % 4];
          WmiValue value = Value();
          bool set = false;
          for (auto& [key, v] : rows[at])
            if (key == name) v = value, set = true;
          if (!set) rows[at].emplace_back(name, value);
          break;
        }
        default:
          if (!rows.empty() && !rows[at].empty()) rows[at].erase(rows[at].begin() + in_.Byte() % rows[at].size());
      }
    }
  }

 private:
  FuzzInput& in_;
};

// WMI as the simulated machine answers it, rewritten once per query text.
class MutatingWmi final : public tw::WmiService, public tw::WmiConnection {
 public:
  MutatingWmi(tw::WmiService& inner, FuzzInput& in) : in_(in) {
    connect_fails_ = in.Byte() == 0xFF;
    if (inner.Connect(u"ROOT\\cimv2", &inner_) != tw::kOk) std::abort();
  }
  tw::Status Connect(const std::u16string&, std::unique_ptr<tw::WmiConnection>* out) override {
    if (connect_fails_) return 0x80041003;
    struct Forward final : tw::WmiConnection {
      explicit Forward(MutatingWmi& m) : m(m) {}
      tw::Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
        return m.ExecQuery(wql, rows);
      }
      MutatingWmi& m;
    };
    *out = std::make_unique<Forward>(*this);
    return tw::kOk;
  }
  tw::Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
    CheckAsked(wql);
    auto it = answers_.find(wql);
    if (it == answers_.end()) {
      Answer a;
      const uint8_t control = in_.Byte();
      if (control >= 0xF0) {
        a.status = 0x80041001;
      } else {
        a.status = inner_->ExecQuery(wql, &a.rows);
        Rewriter(in_).Rewrite(a.rows);
      }
      for (const WmiRow& row : a.rows)
        for (const auto& [key, v] : row) {
          if (v.type == WmiValue::Type::kNull) continue;
          // As the reader's GetText gives it.
          const std::u16string text = v.type == WmiValue::Type::kText ? v.text
                                      : v.type == WmiValue::Type::kBool
                                          ? std::u16string(v.number ? u"True" : u"False")
                                          : tw::Utf8ToUtf16(std::to_string(v.number));
          if (key == u"DeviceID") ids_.insert(text);
          if (IsDriveId(text)) letters_.insert(static_cast<char16_t>(text[0] & ~0x20));
        }
      it = answers_.emplace(wql, std::move(a)).first;
    }
    *rows = it->second.rows;
    return it->second.status;
  }
  const std::set<std::u16string>& ids() const { return ids_; }
  const std::set<char16_t>& letters() const { return letters_; }

 private:
  struct Answer {
    tw::Status status = 0;
    std::vector<WmiRow> rows;
  };
  // An association names an object by an id WMI gave, quoted so that WQL
  // reads back exactly that id.
  void CheckAsked(const std::u16string& wql) {
    static const std::u16string kKey = u".DeviceID=\"";
    if (wql.rfind(u"ASSOCIATORS OF {", 0) != 0) return;
    const size_t key = wql.find(kKey);
    std::u16string id;
    if (key == std::u16string::npos || !ReadWqlString(wql, key + kKey.size(), &id) || !ids_.count(id)) {
      __builtin_trap();
    }
  }

  FuzzInput& in_;
  bool connect_fails_ = false;
  std::unique_ptr<tw::WmiConnection> inner_;
  std::map<std::u16string, Answer> answers_;
  std::set<std::u16string> ids_;
  std::set<char16_t> letters_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  // WMI is only read here, so the machine needs no reset between inputs.
  tw::Platform p = tw::fuzzing::FuzzMachine::Get().plain();
  MutatingWmi wmi(*p.wmi, in);
  p.wmi = &wmi;

  tw::DiskMapping map(p);
  const auto all = map.AllSlotLetters();
  for (int slot = 0; slot < tw::kSlotCount; ++slot) {
    const std::u16string letters = map.GetSlotLetters(slot);
    if (letters != all[slot]) __builtin_trap();
    // Readers take a letter at every third character.
    if (letters.size() % 3 == 1) __builtin_trap();
    for (size_t i = 0; i < letters.size(); i += 3) {
      const char16_t letter = letters[i] & ~0x20;
      if (letter < u'A' || letter > u'Z' || !wmi.letters().count(letter) || letters[i + 1] != u':' ||
          (i + 2 < letters.size() && letters[i + 2] != u' '))
        __builtin_trap();
    }
    const std::u16string disk = map.FindSlotDisk(slot);
    if (!disk.empty() && !wmi.ids().count(disk)) __builtin_trap();
  }
  return 0;
}
