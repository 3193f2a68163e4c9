#include "shellext/win/vornick_context.h"

#include <new>

#include "platform/system_services.h"
#include "resources/resource_ids.h"
#include "shellext/context_menu_model.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/module.h"
#include "shellext/win/win_shell_ui.h"

namespace tw::shellext::win {

HRESULT CreateVornickContext(IUnknown* outer, IUnknown** inner) {
  auto* object = new (std::nothrow) CVornickContext(outer);
  if (!object) return E_OUTOFMEMORY;
  *inner = object->inner();
  return S_OK;
}

CVornickContext::CVornickContext(IUnknown* outer) : CComObjectRoot(outer), type_info_(kIidVornickContext) {}

void* CVornickContext::FindInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidVornickContext)) return static_cast<IVornickContext*>(this);
  if (IsEqualIID(iid, IID_IShellExtInit)) return static_cast<IShellExtInit*>(this);
  if (IsEqualIID(iid, IID_IContextMenu)) return static_cast<IContextMenu*>(this);
  return nullptr;
}

std::u16string CVornickContext::path() {
  std::lock_guard<std::mutex> hold(mutex_);
  return path_;
}

ProtectedDrive& CVornickContext::drive() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!drive_) {
    machine_ = NewMachine(nullptr);
    drive_ = std::make_unique<ProtectedDrive>(machine_->platform());
  }
  return *drive_;
}

STDMETHODIMP CVornickContext::Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) {
  return Guarded([&]() -> HRESULT {
    auto use = [&](const std::u16string& p) {
      std::lock_guard<std::mutex> hold(mutex_);
      path_ = p;
    };
    use(u"");
    wchar_t path[MAX_PATH] = {};
    if (!data) {
      // A folder background: the folder itself.
      if (!folder || !SHGetPathFromIDListW(folder, path)) return E_INVALIDARG;
      use(fw::FromWide(path));
      return S_OK;
    }
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (!drop) {
      ReleaseStgMedium(&medium);
      return E_INVALIDARG;
    }
    // Several items get no menu: the path stays empty. A path too long for
    // the buffer is refused, not cut to name another item.
    HRESULT hr = S_OK;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
      if (DragQueryFileW(drop, 0, nullptr, 0) >= MAX_PATH)
        hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
      else if (DragQueryFileW(drop, 0, path, MAX_PATH) > 0)
        use(fw::FromWide(path));
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return hr;
  });
}

STDMETHODIMP CVornickContext::QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) {
  return Guarded([&]() -> HRESULT {
    const HRESULT reserved = MAKE_HRESULT(SEVERITY_SUCCESS, 0, kReservedCommands);
    MenuPlan plan = PlanContextMenu(drive(), path());
    CVornickShlModule& module = CVornickShlModule::Get();
    WinShellUi strings(module.instance(), nullptr, drive());
    auto text = [&](const MenuItemPlan& item) {
      // Menu texts are loaded into 32-character buffers.
      std::u16string t = item.text_id ? strings.String(item.text_id) : kSubmenuText;
      return fw::ToWide(t.substr(0, 31));
    };
    if (plan.lock_item) {
      std::wstring t = text(plan.lock);
      InsertMenuW(menu, index, MF_BYPOSITION | MF_STRING, first + plan.lock.offset, t.c_str());
      HBITMAP b = module.menu_bitmap(plan.lock.bitmap_id);
      SetMenuItemBitmaps(menu, first + plan.lock.offset, MF_BYCOMMAND, b, b);
    }
    if (!plan.submenu) return reserved;
    HMENU sub = CreatePopupMenu();
    for (size_t i = 0; i < plan.submenu_items.size(); ++i) {
      std::wstring t = text(plan.submenu_items[i]);
      InsertMenuW(sub, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING, first + plan.submenu_items[i].offset, t.c_str());
    }
    std::wstring t = text(plan.submenu_item);
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    item.wID = first + plan.submenu_item.offset;
    item.hSubMenu = sub;
    item.dwTypeData = &t[0];
    InsertMenuItemW(menu, index + 2, TRUE, &item);
    HBITMAP b = module.menu_bitmap(plan.submenu_item.bitmap_id);
    SetMenuItemBitmaps(menu, first + plan.submenu_item.offset, MF_BYCOMMAND, b, b);
    return reserved;
  });
}

STDMETHODIMP CVornickContext::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  return Guarded([&]() -> HRESULT {
    if (!info) return E_INVALIDARG;
    if (HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) return S_OK;  // a verb string: nothing to do
    int offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    if (offset > 9) return E_INVALIDARG;
    WinShellUi ui(CVornickShlModule::Get().instance(), info->hwnd, drive());
    // A command may show dialogs: it runs without the lock, on a copy.
    int unlocked;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      unlocked = unlocked_;
    }
    bool done = ui.commands().Invoke(offset, path(), &unlocked);
    std::lock_guard<std::mutex> hold(mutex_);
    unlocked_ = unlocked;
    return done ? S_OK : E_INVALIDARG;
  });
}

STDMETHODIMP CVornickContext::GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* buffer, UINT size) {
  return Guarded([&]() -> HRESULT {
    std::u16string text;
    bool wide = false;
    if (!CommandHelpText(static_cast<uint32_t>(offset), type, &text, &wide)) return E_INVALIDARG;
    if (!buffer || size == 0) return E_INVALIDARG;
    if (wide) {
      std::wstring w = fw::ToWide(text);
      lstrcpynW(reinterpret_cast<wchar_t*>(buffer), w.c_str(), static_cast<int>(size));
    } else {
      std::wstring w = fw::ToWide(text);
      int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, buffer, static_cast<int>(size), nullptr, nullptr);
      if (n == 0) buffer[size - 1] = 0;  // cut: still terminated
    }
    return S_OK;
  });
}

}  // namespace tw::shellext::win
