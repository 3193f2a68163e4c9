#include "devices/snapshots/snapshot_disk.h"

#include <unordered_set>

#include "base/bytes.h"
#include "base/secure_zero.h"
#include "base/text.h"
#include "platform/system_services.h"

namespace tw {

Status SnapshotDisk::ListChildren(uint64_t parent, std::vector<SnapshotRecord>* children) {
  // The answer is read straight into the records: no buffer in between.
  static_assert(sizeof(SnapshotRecord) == snaprec::kSize, "records are read in place");
  // The first answer tells the full length; it already holds the data when
  // that fits the page the command's data block takes anyway, as most lists
  // of a big tree do: one request per node instead of two.
  constexpr size_t kFirstAnswerRecords = 4096 / snaprec::kSize > 0 ? 4096 / snaprec::kSize : 1;
  children->clear();
  children->resize(kFirstAnswerRecords);
  uint32_t length = 0;
  Status st = bus_.SendVendorCommand(disk_, kScsiOpListChildren, parent, nullptr, 0, children->front().data(),
                                     static_cast<uint32_t>(kFirstAnswerRecords * snaprec::kSize), &length);
  if (st == kOk && length > kMaxChildListBytes) st = kErrInvalidData;
  if (st != kOk) {
    children->clear();
    return st;
  }
  if (length > kFirstAnswerRecords * snaprec::kSize) {
    children->assign((length + snaprec::kSize - 1) / snaprec::kSize, SnapshotRecord());
    uint32_t got = 0;
    st = bus_.SendVendorCommand(disk_, kScsiOpListChildren, parent, nullptr, 0, children->front().data(), length,
                                &got);
    if (st != kOk) {
      children->clear();
      return st;
    }
    // The list may have shrunk since; never read past what came back.
    if (got < length) length = got;
  }
  children->resize(length / snaprec::kSize);
  return kOk;
}

Status SnapshotDisk::CurrentSnapshot(uint64_t* id) {
  uint8_t buffer[8] = {};
  uint32_t got = 0;
  Status st = bus_.SendVendorCommand(disk_, kScsiOpCurrentSnapshot, 0, nullptr, 0, buffer, sizeof buffer, &got);
  *id = st == kOk ? GetU64LE(ConstByteSpan(buffer, sizeof buffer), 0) : 0;
  return st;
}

Status SnapshotDisk::Flag(uint8_t op, uint64_t id, uint32_t* flag) {
  uint8_t buffer[4] = {};
  uint32_t got = 0;
  Status st = bus_.SendVendorCommand(disk_, op, id, nullptr, 0, buffer, sizeof buffer, &got);
  *flag = st == kOk ? GetU32LE(ConstByteSpan(buffer, sizeof buffer), 0) : 0;
  return st;
}

Status SnapshotDisk::NoData(uint8_t op, uint64_t id) {
  uint32_t got = 0;
  return bus_.SendVendorCommand(disk_, op, id, nullptr, 0, nullptr, 0, &got);
}

Status SnapshotDisk::SupportFlag(uint32_t* flag) { return Flag(kScsiOpSnapshotSupport, 0, flag); }
Status SnapshotDisk::Count(uint32_t* count) { return Flag(kScsiOpSnapshotCount, 0, count); }
Status SnapshotDisk::CanDelete(uint64_t id, uint32_t* flag) { return Flag(kScsiOpCanDelete, id, flag); }
Status SnapshotDisk::CanMerge(uint64_t id, uint32_t* flag) { return Flag(kScsiOpCanMerge, id, flag); }
Status SnapshotDisk::Select(uint64_t id) { return NoData(kScsiOpSelectSnapshot, id); }
Status SnapshotDisk::Merge(uint64_t id) { return NoData(kScsiOpMergeSnapshot, id); }
Status SnapshotDisk::Revert() { return NoData(kScsiOpRevert, 0); }
Status SnapshotDisk::Delete(uint64_t id) { return NoData(kScsiOpDeleteSnapshot, id); }

Status SnapshotDisk::Get(uint64_t id, SnapshotRecord* record) {
  *record = SnapshotRecord();
  uint32_t got = 0;
  return bus_.SendVendorCommand(disk_, kScsiOpGetSnapshot, id, nullptr, 0, record->data(),
                                static_cast<uint32_t>(record->size()), &got);
}

Status SnapshotDisk::Set(uint64_t id, const SnapshotRecord& record) {
  uint32_t got = 0;
  return bus_.SendVendorCommand(disk_, kScsiOpSetSnapshot, id, record.data(), static_cast<uint32_t>(record.size()),
                                nullptr, 0, &got);
}

Status SnapshotDisk::ChildrenLength(uint64_t id, uint32_t* bytes) {
  return bus_.SendVendorCommand(disk_, kScsiOpListChildren, id, nullptr, 0, nullptr, 0, bytes);
}

Status SnapshotDisk::Take(uint64_t from, const std::u16string& name, const std::u16string& description) {
  Bytes data(kTakeSnapshotDataSize, 0);
  PutUtf16Field(data, 0, kTakeSnapshotNameField, name);
  PutUtf16Field(data, kTakeSnapshotNameField, kTakeSnapshotDataSize - kTakeSnapshotNameField, description);
  uint32_t got = 0;
  return bus_.SendVendorCommand(disk_, kScsiOpTakeSnapshot, from, data.data(), static_cast<uint32_t>(data.size()),
                                nullptr, 0, &got, from == 0 ? 1 : 0);
}

Status SnapshotDisk::ChangeSecret(const std::string& old_secret, const std::string& chap_name,
                                  const std::string& new_secret) {
  Bytes data(kChangeSecretDataSize, 0);
  ScopedWipe wipe(data);
  PutAnsiField(data, 0, 256, old_secret);
  PutAnsiField(data, 256, 256, chap_name);
  PutAnsiField(data, 512, 256, new_secret);
  uint32_t got = 0;
  return bus_.SendVendorCommand(disk_, kScsiOpChangeSecret, 0, data.data(), static_cast<uint32_t>(data.size()),
                                nullptr, 0, &got);
}

Status SnapshotDisk::AllNames(std::vector<std::string>* names) {
  names->clear();
  std::vector<uint64_t> pending{0};
  std::unordered_set<uint64_t> seen{0};
  std::vector<SnapshotRecord> children;
  Status result = kOk;
  while (!pending.empty()) {
    uint64_t parent = pending.back();
    pending.pop_back();
    if (Status st = ListChildren(parent, &children); st != kOk) {
      result = st;
      continue;
    }
    for (const SnapshotRecord& r : children) {
      names->push_back(r.name());
      if (r.id() != 0 && seen.insert(r.id()).second) pending.push_back(r.id());
    }
  }
  return result;
}

std::u16string FitAnsi(CodePage& code_page, std::u16string_view text, size_t max_bytes, std::string* ansi) {
  *ansi = code_page.ToAnsi(text);
  if (ansi->size() <= max_bytes) return std::u16string(text);
  // The ANSI length grows with the prefix: find the longest prefix that
  // fits, never ending between the halves of a surrogate pair.
  auto cut = [&](size_t len) {
    if (len > 0 && len < text.size() && text[len - 1] >= 0xD800 && text[len - 1] <= 0xDBFF) --len;
    return len;
  };
  size_t lo = 0, hi = text.size();  // lo fits, hi does not
  while (hi - lo > 1) {
    size_t mid = lo + (hi - lo) / 2;
    if (code_page.ToAnsi(text.substr(0, cut(mid))).size() <= max_bytes) lo = mid;
    else hi = mid;
  }
  lo = cut(lo);
  std::u16string fitted(text.substr(0, lo));
  *ansi = code_page.ToAnsi(fitted);
  return fitted;
}

void BuildSnapshotTree(SnapshotSource& source, CodePage& code_page, SnapshotTree* tree) {
  tree->Clear();
  uint64_t current = 0;
  if (source.CurrentSnapshot(&current) != kOk) current = 0;
  std::unordered_set<uint64_t> seen;

  // Depth first with an explicit stack: a chain of thousands of snapshots
  // must not run the thread's stack out.
  struct Frame {
    int node;
    std::vector<SnapshotRecord> children;
    size_t next = 0;
    int just_added = kNoNode;  // expanded; moves the present state once done
  };
  std::vector<Frame> stack;
  // The lists of finished frames, kept for the next ones: one allocation
  // per level of the tree rather than one per snapshot.
  std::vector<std::vector<SnapshotRecord>> spare;
  auto enter = [&](int node, uint64_t id) {
    Frame f;
    f.node = node;
    if (!spare.empty()) {
      f.children.swap(spare.back());
      spare.pop_back();
    }
    if (source.ListChildren(id, &f.children) != kOk) f.children.clear();
    stack.push_back(std::move(f));
  };
  enter(tree->root(), 0);
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.just_added != kNoNode) {
      if (tree->node(f.just_added).kind == SnapshotNodeKind::kCurrentSnapshot)
        tree->MovePresentStateUnder(f.just_added);
      f.just_added = kNoNode;
    }
    if (f.next >= f.children.size()) {
      spare.push_back(std::move(f.children));
      stack.pop_back();
      continue;
    }
    const SnapshotRecord& r = f.children[f.next++];
    uint64_t id = r.id();
    if (id == 0 || !seen.insert(id).second) continue;
    SnapshotNodeKind kind = id == current ? SnapshotNodeKind::kCurrentSnapshot : SnapshotNodeKind::kSnapshot;
    int child = tree->AddChild(f.node, kind, code_page.FromAnsi(r.name()), code_page.FromAnsi(r.description()), id);
    f.just_added = child;
    enter(child, id);  // f may dangle from here on
  }
  // Placing pushes the present state along the first main line; when the
  // disk runs on no snapshot it belongs under the base image, not there.
  if (tree->node(tree->present_state()).parent != tree->root() &&
      tree->node(tree->node(tree->present_state()).parent).kind != SnapshotNodeKind::kCurrentSnapshot)
    tree->MovePresentStateUnder(tree->root());
}

}  // namespace tw
