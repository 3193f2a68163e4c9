// CVornickContext: the context menu handler for files, folders and folder
// backgrounds on protected volumes.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/machine.h"
#include "shellext/protected_drive.h"
#include "shellext/win/com_object.h"
#include "shellext/win/type_info.h"
#include "shellext/win/vornick_shl.h"

namespace tw::shellext::win {

class CVornickContext final : public CComObjectRoot,
                              public IVornickContext,
                              public IShellExtInit,
                              public IContextMenu {
 public:
  explicit CVornickContext(IUnknown* outer);

  TW_DELEGATING_IUNKNOWN
  TW_DISPATCH_FROM_TYPE_INFO

  // IShellExtInit
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY program_key) override;
  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, CHAR* buffer, UINT size) override;

 private:
  void* FindInterface(REFIID iid) override;
  // The machine is made on first use, by whichever thread comes first.
  ProtectedDrive& drive();
  std::u16string path();

  CTypeInfoHolder type_info_;
  std::mutex mutex_;  // the members below: the shell may call from several threads
  std::u16string path_;
  int unlocked_ = 0;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<ProtectedDrive> drive_;
};

}  // namespace tw::shellext::win
