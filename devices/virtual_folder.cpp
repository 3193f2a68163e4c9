#include "devices/virtual_folder.h"

#include "base/format.h"
#include "base/product.h"
#include "base/text.h"
#include "base/validation.h"
#include "platform/file_system.h"
#include "platform/prompter.h"
#include "platform/volume_mounts.h"
#include "storagebus/storage_bus.h"

namespace tw {

uint32_t FolderFormatVolume(const WizardData& d) { return GetU32LE(d.bytes(), folderdata::kFormatVolume); }
uint32_t FolderAutoMount(const WizardData& d) { return GetU32LE(d.bytes(), folderdata::kAutoMount); }
uint32_t FolderOverlayIcon(const WizardData& d) { return GetU32LE(d.bytes(), folderdata::kOverlayIcon); }
std::u16string FolderMountPath(const WizardData& d) {
  return GetUtf16Field(d.bytes(), folderdata::kMountFolder, folderdata::kMountFolderBytes);
}

bool FolderPageModel::Finish(WizardData* data, const Platform& p) {
  if (create_sub_folder && sub_folder.empty()) {
    p.prompter->ShowMessage(u"Folder name can't be empty.", kAppTitle, kMbOk);
    return false;
  }
  std::u16string path = folder;
  if (create_sub_folder) {
    if (path.empty() || path.back() != u'\\') path += u'\\';
    path += sub_folder;
  }
  // The field holds 259 characters; the mount adds a trailing backslash.
  if (path.size() + (path.empty() || path.back() != u'\\' ? 1 : 0) > 259) {
    p.prompter->ShowMessage(TextLengthMessage(258), kAppTitle, kMbOk);
    return false;
  }
  Bytes& b = data->bytes();
  std::fill(b.begin() + folderdata::kMountFolder, b.end(), 0);
  PutUtf16Field(b, folderdata::kMountFolder, folderdata::kMountFolderBytes, path);
  if (create_sub_folder && p.file_system->MakeDirectory(path) != kOk) {
    p.prompter->ShowMessage(Format(u"Can't create directory: %s", {path}), kAppTitle, kMbOk);
    return false;
  }
  uint32_t format = 0;
  if (!keep_content) {
    int answer = p.prompter->ShowMessage(
        u"Tarnwick Pro will now fullly format this storage, all data will be lost, do you want to continue?",
        u"Question", kMbYesNo | kMbIconQuestion);
    if (answer != kIdYes) return false;
    format = 1;
  }
  PutU32LE(b, folderdata::kFormatVolume, format);
  PutU32LE(b, folderdata::kAutoMount, auto_mount ? 1 : 0);
  PutU32LE(b, folderdata::kOverlayIcon, overlay_icon ? 1 : 0);
  return true;
}

std::u16string FormatGuid(const Guid& g) {
  return Format(u"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                {g.data1, unsigned{g.data2}, unsigned{g.data3}, unsigned{g.data4[0]}, unsigned{g.data4[1]},
                 unsigned{g.data4[2]}, unsigned{g.data4[3]}, unsigned{g.data4[4]}, unsigned{g.data4[5]},
                 unsigned{g.data4[6]}, unsigned{g.data4[7]}});
}

bool FormatVolume(const Platform& p, const std::u16string& volume_path, Status* error) {
  *error = 0;
  bool result = false;
  if (!p.formatter->Load()) return false;
  FormatRequest request;
  request.volume = volume_path;
  p.formatter->FormatEx(request, [&](uint32_t command, uint32_t, const void* info) {
    if (command == kFormatDone) {
      result = info && *static_cast<const unsigned char*>(info) != 0;
      *error = result ? 0 : p.formatter->LastError();
    }
    return true;
  });
  return result;
}

namespace {

// A volume that could not be formatted or bound to its folder is detached
// again, so no active entry is left without its folder. The folder itself
// is the user's and stays.
void DropNewVolume(StorageBus& bus, const std::u16string& volume_name) {
  uint32_t count = 0;
  if (bus.GetVolumeCount(&count) != kOk) return;
  for (uint32_t i = count; i-- > 0;) {
    VolumeRecord v;
    if (!bus.IsVolumeActive(i) || bus.GetVolumeInfo(i, &v) != kOk || v.volume_name() != volume_name) continue;
    if (bus.DetachVolume(u"\\\\.\\" + volume_name) == kOk || !bus.IsVolumeActive(i)) bus.SetVolumeState(i, 1);
    return;
  }
}

}  // namespace

Status MountVirtualFolder(const Platform& p, StorageBus& bus, const WizardData& data,
                          const std::function<void()>& refresh) {
  VolumeRecord v;
  v.set_record_kind(volrec::kMountRecordKind);
  v.set_target_class(volrec::kMountTargetClass);
  v.set_auto_mount(FolderAutoMount(data) != 0);
  v.set_overlay_icon(FolderOverlayIcon(data) ? 0 : 0xFFFFFFFFu);
  v.set_server_address(data.portalAddress());
  v.set_server_port(data.portalPort());
  v.set_target_name(data.targetName());
  std::u16string folder = FolderMountPath(data);
  v.set_mount_folder(folder);
  Guid guid;
  p.volume_mounts->NewGuid(&guid);
  std::u16string guid_text = FormatGuid(guid);
  v.set_volume_name(CutText(u"Volume" + guid_text, 260));
  Status st = bus.MountVolume(v);
  if (st != kOk) {
    p.prompter->ShowMessage(Format(u"mount error %x", {st}), kAppTitle, kMbOk);
    return st;
  }
  if (FolderFormatVolume(data) == 1) {
    Status error = 0;
    if (!FormatVolume(p, u"\\\\.\\Volume" + guid_text, &error)) {
      p.prompter->ShowMessage(Format(u"Format error %x", {error}), kAppTitle, kMbOk);
      DropNewVolume(bus, v.volume_name());
      return error ? error : kErrCallNotImplemented;
    }
  }
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  p.volume_mounts->DeleteMountPoint(folder);
  st = p.volume_mounts->SetMountPoint(folder, u"\\\\?\\Volume" + guid_text + u"\\");
  if (st != kOk) {
    p.prompter->ShowMessage(Format(u"Mount error %x", {st}), kAppTitle, kMbOk);
    p.prompter->ShowMessage(folder, kAppTitle, kMbOk);
    p.prompter->ShowMessage(v.volume_name(), kAppTitle, kMbOk);
    DropNewVolume(bus, v.volume_name());
    return st;
  }
  if (refresh) refresh();
  return kOk;
}

}  // namespace tw
