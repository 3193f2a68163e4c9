// Volume mount points, new GUIDs (kernel32, ole32) and the format routine
// "FormatEx" of fmifs.dll, loaded by name when it is used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/status.h"
#include "platform/setup_api.h"

namespace tw {

class VolumeMounts {
 public:
  virtual ~VolumeMounts() = default;
  // SetVolumeMountPointW(folder ending in "\", "\\?\Volume{...}\").
  virtual Status SetMountPoint(const std::u16string& folder, const std::u16string& volume_name) = 0;
  // DeleteVolumeMountPointW.
  virtual Status DeleteMountPoint(const std::u16string& folder) = 0;
  // CoCreateGuid.
  virtual Status NewGuid(Guid* guid) = 0;
};

// The FormatEx callback's commands the core looks at.
constexpr uint32_t kFormatProgress = 0;
constexpr uint32_t kFormatDone = 11;
constexpr uint32_t kMediaFixedDisk = 12;

struct FormatRequest {
  std::u16string volume;  // "\\.\Volume{...}"
  uint32_t media = kMediaFixedDisk;
  std::u16string file_system = u"NTFS";
  std::u16string label = u"iVolume";
  bool quick = true;
  uint32_t cluster_bytes = 4096;
};

class Formatter {
 public:
  virtual ~Formatter() = default;
  // Loads fmifs.dll and finds FormatEx; false when either is missing.
  virtual bool Load() = 0;
  // FormatEx: returns when the format has ended. The callback gets each
  // report (command, sub-action, info; for kFormatDone info points at the
  // success byte) and returns whether to go on.
  virtual void FormatEx(const FormatRequest& request,
                        const std::function<bool(uint32_t command, uint32_t sub_action, const void* info)>& callback) = 0;
  // GetLastError() as the callback sees it.
  virtual Status LastError() = 0;
};

}  // namespace tw
