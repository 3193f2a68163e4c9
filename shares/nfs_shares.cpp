#include "shares/nfs_shares.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"
#include "platform/device_io.h"
#include "platform/system_services.h"
#include "platform/wnet.h"

namespace tw {

namespace {
constexpr uint32_t kEnumBufferBytes = 16384;
constexpr uint32_t kAllThatFit = 0xFFFFFFFFu;

std::u16string Field(ConstByteSpan b, size_t off) { return GetUtf16Field(b, off, sharerec::kTextField); }

// Appends within a buffer of `limit` characters including the terminator,
// as a bounded string copy does: false when it had to cut.
bool AppendWithin(std::u16string* s, const std::u16string& more, size_t limit) {
  size_t room = limit - 1 > s->size() ? limit - 1 - s->size() : 0;
  *s += more.substr(0, room);
  return more.size() <= room;
}
}  // namespace

std::u16string NfsShareRecord::local_name() const { return Field(bytes_, sharerec::kLocalName); }
std::u16string NfsShareRecord::remote() const { return Field(bytes_, sharerec::kRemote); }
std::u16string NfsShareRecord::location() const { return Field(bytes_, sharerec::kLocation); }
std::u16string NfsShareRecord::provider() const { return Field(bytes_, sharerec::kProvider); }

void ExportQueryRequest::set_user(std::u16string_view u) {
  PutUtf16Field(span(), exportreq::kUser, exportreq::kTextField, u.substr(0, 256));
}
void ExportQueryRequest::set_password(std::u16string_view pw) {
  PutUtf16Field(span(), exportreq::kPassword, exportreq::kTextField, pw.substr(0, 256));
}

Status ParseRemotePath(std::u16string* text, ShareMountOptions* options, std::u16string* unc, const Platform& p) {
  std::replace(text->begin(), text->end(), u'/', u'\\');
  size_t colon = text->rfind(u':');
  if (colon == std::u16string::npos || colon + 1 >= text->size() || (*text)[colon + 1] != u'\\') {
    p.diagnostics->WriteErr("Failed to parse the remote path. Expected 'hostname:\\path'.");
    return kErrBadArguments;
  }
  std::u16string path = text->substr(colon + 1);
  text->resize(colon);
  if (!InsertMountOption(u"srvname", *text, options, *p.diagnostics)) return kErrBadArguments;
  if (!InsertMountOption(u"mntpt", path, options, *p.diagnostics)) return kErrBadArguments;
  *unc = u"\\\\";
  if (!AppendWithin(unc, *text, kUncHostChars)) return kErrUncTooLong;
  if (!AppendWithin(unc, path, kUncChars)) return kErrUncTooLong;
  return kOk;
}

Status ConnectNfsShare(const std::u16string& local_name, std::u16string* remote_path, bool persistent,
                       ShareMountOptions* options, const Platform& p) {
  std::u16string unc;
  if (Status st = ParseRemotePath(remote_path, options, &unc, p)) return st;
  std::u16string holder;
  if (p.wnet->GetConnection(local_name, kUncChars, &holder) == kOk) {
    p.diagnostics->WriteErr(
        FormatUtf8("Mount failed, drive %s is already assigned to '%s'.", {local_name, holder}));
    return kErrAlreadyAssigned;
  }
  NetResourceRequest r;
  r.type = kResourceTypeDisk;
  r.local_name = !local_name.empty() && local_name[0] == u'*' ? nullptr : local_name.c_str();
  r.remote_name = unc;
  if (!options->empty()) {
    options->Terminate();
    r.comment = ConstByteSpan(options->block);
  }
  r.provider = kNfsProviderName;
  std::u16string access;
  Status st = p.wnet->UseConnection(r, nullptr, nullptr, persistent ? kConnectUpdateProfile : 0, kUncChars, &access);
  if (st == kOk)
    p.diagnostics->WriteOut(FormatUtf8("Successfully mounted %s to drive %s", {*remote_path, access}));
  else
    p.diagnostics->WriteErr(
        FormatUtf8("WNetUseConnection(%s, %s) failed with error code %u.", {local_name, unc, st}));
  return st;
}

Status MountNfsShare(const std::u16string& local_name, std::u16string* remote_path, bool persistent,
                     const std::u16string& user, const std::u16string& password, int port, const Platform& p) {
  ShareMountOptions options;
  ScopedWipe wipe(options.block);  // it carries the password
  std::u16string port_text = Format(u"%d", {port});
  // An option that does not fit is left out; the mount goes on.
  InsertMountOption(u"user", user, &options, *p.diagnostics);
  InsertMountOption(u"pass", password, &options, *p.diagnostics);
  InsertMountOption(u"port", port_text, &options, *p.diagnostics);
  return ConnectNfsShare(local_name, remote_path, persistent, &options, p);
}

Status UnmountNfsShare(const std::u16string& local_name, const Platform& p) {
  Status st = p.wnet->CancelConnection2(local_name, kConnectUpdateProfile, false);
  if (st == kOk)
    p.diagnostics->WriteOut(FormatUtf8("Drive %s unmounted successfully.", {local_name}));
  else if (st == kErrNotConnected)
    p.diagnostics->WriteErr(FormatUtf8("Drive %s is not currently connected.", {local_name}));
  else
    p.diagnostics->WriteErr(FormatUtf8("WNetCancelConnection2(%s) failed with error code %u.", {local_name, st}));
  return st;
}

Status ListNfsShares(bool remembered, Bytes* records, uint32_t* size, const Platform& p) {
  WNetEnumHandle handle = 0;
  Status st = p.wnet->OpenEnum(remembered ? kResourceRemembered : kResourceConnected, kResourceTypeDisk, 0, &handle);
  if (st != kOk) return st;
  p.diagnostics->WriteOut(FormatUtf8("Listing %s mounts:", {kNfsProviderName}));
  p.diagnostics->WriteOut("");
  p.diagnostics->WriteOut(FormatUtf8("%s %s", {"Volume", "Remote path"}));
  size_t capacity = records ? records->size() : 0;
  uint32_t found = 0;
  for (;;) {
    uint32_t count = kAllThatFit;
    std::vector<NetResource> entries;
    if (p.wnet->EnumResource(handle, &count, kEnumBufferBytes, &entries) != kOk) break;
    for (const NetResource& e : entries) {
      if (e.provider != kNfsProviderName) continue;
      if (capacity >= (found + 1) * sharerec::kSize) {
        ByteSpan r = ByteSpan(*records).Sub(found * sharerec::kSize, sharerec::kSize);
        PutU32LE(r, sharerec::kScope, e.scope);
        PutU32LE(r, sharerec::kType, e.type);
        PutU32LE(r, sharerec::kDisplayType, e.display_type);
        PutU32LE(r, sharerec::kUsage, e.usage);
        std::u16string remote = e.remote_name, location = e.comment;
        if (remembered) {
          size_t slash = e.remote_name.rfind(u'\\');
          remote = slash == std::u16string::npos ? e.remote_name : e.remote_name.substr(slash + 1);
          location = u"VNFS:" + e.remote_name;
          std::replace(location.begin(), location.end(), u'\\', u'/');
        }
        PutUtf16Field(r, sharerec::kLocalName, sharerec::kTextField, CutText(e.local_name, 255));
        PutUtf16Field(r, sharerec::kRemote, sharerec::kTextField, CutText(remote, 255));
        PutUtf16Field(r, sharerec::kLocation, sharerec::kTextField, CutText(location, 255));
        PutUtf16Field(r, sharerec::kProvider, sharerec::kTextField, CutText(e.provider, 255));
      }
      p.diagnostics->WriteOut(FormatUtf8("%s %s", {e.local_name, e.remote_name}));
      ++found;
    }
  }
  Status result = p.wnet->CloseEnum(handle);
  p.diagnostics->WriteOut("");
  p.diagnostics->WriteOut(FormatUtf8("Found %d share%s.", {static_cast<int>(found), found == 1 ? "" : "s"}));
  if (capacity < found * sharerec::kSize) result = kErrBufferOverflow;
  *size = found * static_cast<uint32_t>(sharerec::kSize);
  return result;
}

Status QueryServerExports(const ExportQueryRequest& request, Bytes* reply, uint32_t* reply_size, const Platform& p) {
  Handle h = kInvalidHandle;
  Status st = p.device_io->Open(kNfsDriverPath, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                                kOpenExisting, 0, &h);
  if (st != kOk) return st;
  uint32_t capacity = std::min<uint32_t>(*reply_size, static_cast<uint32_t>(reply->size()));
  uint32_t returned = 0;
  st = p.device_io->Control(h, kIoctlNfsListExports, request.data(), static_cast<uint32_t>(ExportQueryRequest::size()),
                            reply->data(), capacity, &returned);
  *reply_size = returned;
  p.device_io->Close(h);
  return st;
}

}  // namespace tw
