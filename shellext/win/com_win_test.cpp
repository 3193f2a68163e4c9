// The module under Wine's COM and registry: regsvr32, the exports, the three
// classes through CoCreateInstance, and the context menu on a real menu for
// items of a simulated protected volume (which the fixture maps to P:).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/machine.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "shellext/class_ids.h"
#include "shellext/win/com_ids.h"
#include "shellext/win/screen_script.h"
#include "shellext/win/vornick_shl.h"

namespace tw::shellext::win {
namespace {

using testing::ScreenScript;

std::wstring W(const char16_t* s) { return std::wstring(s, s + std::char_traits<char16_t>::length(s)); }

std::wstring DllPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring p = self;
  return p.substr(0, p.find_last_of(L'\\') + 1) + L"PellowenShl.dll";
}

DWORD Run(const std::wstring& command) {
  std::wstring line = command;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return ~0u;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = ~0u;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

DWORD Regsvr32(bool unregister) {
  return Run(std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + DllPath() + L"\"");
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

std::wstring Value(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"<none>";
  return buffer;
}

const wchar_t kOverlays[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";

TEST(Regsvr32, RegistersOneSetAndRemovesItKeepingSharedKeys) {
  ASSERT_EQ(Regsvr32(false), 0u);
  ASSERT_EQ(Regsvr32(false), 0u);
  for (const ClassIdentity* c : kClasses) {
    std::wstring key = L"CLSID\\" + W(c->clsid);
    EXPECT_EQ(lstrcmpiW(Value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32").c_str(), DllPath().c_str()), 0);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), W(kLibId));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, key, L"AppID"), W(kAppId));
  }
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"*\\ShellEx\\ContextMenuHandlers\\VornickContext"), W(kContextClass.clsid));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Directory\\Background\\ShellEx\\ContextMenuHandlers\\VornickContext"),
            W(kContextClass.clsid));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, std::wstring(kOverlays) + L"\\VornickIconLock"), W(kIconLockClass.clsid));
  ITypeLib* lib = nullptr;
  ASSERT_EQ(LoadRegTypeLib(kLibIdVornickShl, 1, 0, 0x409, &lib), S_OK);
  lib->Release();

  ASSERT_EQ(Regsvr32(true), 0u);
  for (const wchar_t* owner : {L"*", L"folder", L"Directory\\Background"}) {
    std::wstring handlers = std::wstring(owner) + L"\\ShellEx\\ContextMenuHandlers";
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, handlers + L"\\VornickContext"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, handlers));
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kOverlays) + L"\\VornickIconLock"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kOverlays) + L"\\VornickIconUnLock"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"*\\ShellEx"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + W(kIconUnlockClass.clsid)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"VornickShl.VornickContext"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + W(kAppId)));
  EXPECT_NE(LoadRegTypeLib(kLibIdVornickShl, 1, 0, 0x409, &lib), S_OK);
}

TEST(ComIds, GuidsMatchTheirRegistryText) {
  auto text = [](const GUID& g) {
    wchar_t buffer[64];
    StringFromGUID2(g, buffer, 64);
    return std::wstring(buffer);
  };
  EXPECT_EQ(text(kClsidVornickContext), W(kContextClass.clsid));
  EXPECT_EQ(text(kClsidVornickIconLock), W(kIconLockClass.clsid));
  EXPECT_EQ(text(kClsidVornickIconUnLock), W(kIconUnlockClass.clsid));
  EXPECT_EQ(text(kIidVornickContext), W(kContextClass.iid));
  EXPECT_EQ(text(kIidVornickIconUnLock), W(kIconUnlockClass.iid));
  EXPECT_EQ(text(kLibIdVornickShl), W(kLibId));
  EXPECT_TRUE(IsEqualIID(kIidVornickIconLock, __uuidof(IVornickIconLock)));
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    get = reinterpret_cast<decltype(get)>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    can_unload = reinterpret_cast<decltype(can_unload)>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(get && can_unload);
  }
  void TearDown() override { FreeLibrary(module); }
  HMODULE module = nullptr;
  HRESULT(WINAPI* get)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* can_unload)() = nullptr;
};

TEST_F(ModuleTest, ClassObjectsAreMadeOnceAndUnknownClassesRefused) {
  IClassFactory* a = nullptr;
  IClassFactory* b = nullptr;
  ASSERT_EQ(get(kClsidVornickContext, IID_IClassFactory, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(get(kClsidVornickContext, IID_IClassFactory, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_EQ(a, b);
  IClassFactory* other = nullptr;
  ASSERT_EQ(get(kClsidVornickIconUnLock, IID_IClassFactory, reinterpret_cast<void**>(&other)), S_OK);
  EXPECT_NE(other, a);
  other->Release();
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(get(kIidVornickContext, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(get(kClsidVornickContext, IID_IClassFactory, nullptr), E_POINTER);
  none = reinterpret_cast<void*>(1);
  EXPECT_EQ(get(kClsidVornickContext, IID_IContextMenu, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  // The module stays while an object lives.
  EXPECT_EQ(can_unload(), S_OK);
  IContextMenu* menu = nullptr;
  ASSERT_EQ(a->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  EXPECT_EQ(can_unload(), S_FALSE);
  IShellExtInit* init = nullptr;
  ASSERT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  menu->Release();
  EXPECT_EQ(can_unload(), S_FALSE);
  init->Release();
  EXPECT_EQ(can_unload(), S_OK);
  a->LockServer(TRUE);
  EXPECT_EQ(can_unload(), S_FALSE);
  a->LockServer(FALSE);
  EXPECT_EQ(can_unload(), S_OK);
  a->Release();
  b->Release();
}

// An outer object that aggregates one of ours and counts its references.
class Outer final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  IUnknown* inner = nullptr;
  ULONG refs = 1;
};

TEST_F(ModuleTest, ObjectsAggregateAndDispatchFromTheTypeLibrary) {
  IClassFactory* f = nullptr;
  ASSERT_EQ(get(kClsidVornickIconLock, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
  Outer outer;
  IUnknown* refused = nullptr;
  EXPECT_EQ(f->CreateInstance(&outer, IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&refused)),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  IShellIconOverlayIdentifier* overlay = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&overlay)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the inner object's interfaces count on the outer
  IUnknown* back = nullptr;
  ASSERT_EQ(overlay->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, &outer);
  back->Release();
  overlay->Release();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(can_unload(), S_FALSE);
  outer.inner->Release();
  EXPECT_EQ(can_unload(), S_OK);

  IDispatch* dispatch = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, kIidVornickIconLock));
  info->ReleaseTypeAttr(attr);
  info->Release();
  dispatch->Release();
  f->Release();
}

// The simulated machine the module uses (TARNWICK_MACHINE=sim), with the
// protected volume P: that the test's set-up maps to its backing folder.
class ProtectedComTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(false), 0u); }
  static void TearDownTestSuite() { Regsvr32(true); }
  void SetUp() override {
    machine = NewSimulatedMachine(SimStateFolder(), nullptr);
    ASSERT_EQ(sim::AddProtectedVolume(*machine->simulated(), 'P', "Vault", {"alice", "bob", "carol"}), kOk);
    root = sim::ProtectedVolumes(machine->simulated()->folder()).Root('P');
    std::filesystem::create_directories(root / "docs");
    std::ofstream(root / "docs" / "a.txt") << "a";
    std::ofstream(root / "docs" / "b.txt") << "b";
    ASSERT_EQ(sim::ProtectItemForSetup(*machine->simulated(), u"P:\\docs\\a.txt", "pw", true, false), kOk);
    ASSERT_EQ(sim::ProtectItemForSetup(*machine->simulated(), u"P:\\docs", "pw", false, false), kOk);
    ASSERT_EQ(GetFileAttributesW(L"P:\\docs\\a.txt") != INVALID_FILE_ATTRIBUTES, true)
        << "P: is not mapped to " << root.string();
  }
  sim::ProtectedItem Item(const std::string& key) {
    sim::ProtectedState s;
    sim::ProtectedVolumes(machine->simulated()->folder()).Load(&s);
    return s.volumes['P'].items[key];
  }
  std::unique_ptr<Machine> machine;
  std::filesystem::path root;
};

// A data object with a CF_HDROP of some paths, as the shell passes it.
class DropData final : public IDataObject {
 public:
  explicit DropData(const std::vector<std::wstring>& paths) : paths_(paths) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetData(FORMATETC* f, STGMEDIUM* m) override {
    if (f->cfFormat != CF_HDROP || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    std::wstring list;
    for (const std::wstring& p : paths_) list += p + L'\0';
    list += L'\0';
    size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(g));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(g);
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = g;
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<std::wstring> paths_;
};

struct MenuItem {
  UINT id;
  std::wstring text;
  bool popup;
  bool has_bitmap;
};

std::vector<MenuItem> Items(HMENU menu) {
  std::vector<MenuItem> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_CHECKMARKS;
    info.dwTypeData = text;
    info.cch = 64;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    items.push_back({info.wID, text, info.hSubMenu != nullptr, info.hbmpChecked != nullptr});
  }
  return items;
}

// A shell menu with three items of its own.
HMENU ShellMenu() {
  HMENU m = CreatePopupMenu();
  AppendMenuW(m, MF_STRING, 1, L"Open");
  AppendMenuW(m, MF_STRING, 2, L"Edit");
  AppendMenuW(m, MF_STRING, 3, L"Print");
  return m;
}

IContextMenu* NewHandler(const std::vector<std::wstring>& paths, PCIDLIST_ABSOLUTE folder = nullptr) {
  IShellExtInit* init = nullptr;
  if (CoCreateInstance(kClsidVornickContext, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                       reinterpret_cast<void**>(&init)) != S_OK)
    return nullptr;
  DropData data(paths);
  HRESULT hr = init->Initialize(folder, paths.empty() ? nullptr : &data, nullptr);
  IContextMenu* menu = nullptr;
  if (SUCCEEDED(hr)) init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
  init->Release();
  return menu;
}

TEST_F(ProtectedComTest, MenuForOneFileTwoFilesAnOrdinaryVolumeAndABackground) {
  IContextMenu* handler = NewHandler({L"P:\\docs\\a.txt"});
  ASSERT_NE(handler, nullptr);
  HMENU menu = ShellMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL), MAKE_HRESULT(0, 0, 10));
  std::vector<MenuItem> items = Items(menu);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[1].id, 109u);
  EXPECT_EQ(items[1].text, L"&Lock");
  EXPECT_TRUE(items[1].has_bitmap);
  EXPECT_EQ(items[3].id, 107u);
  EXPECT_EQ(items[3].text, L"&Pellowen");
  EXPECT_TRUE(items[3].popup);
  std::vector<MenuItem> sub = Items(GetSubMenu(menu, 3));
  ASSERT_EQ(sub.size(), 3u);
  EXPECT_EQ(sub[0].id, 101u);
  EXPECT_EQ(sub[0].text, L"&Decrypt");
  EXPECT_EQ(sub[1].text, L"&Share To");
  EXPECT_EQ(sub[2].id, 103u);
  wchar_t help[64] = {};
  EXPECT_EQ(handler->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 64), S_OK);
  EXPECT_STREQ(help, L"Lock the drive.");
  EXPECT_EQ(handler->GetCommandString(2, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 64), E_INVALIDARG);
  DestroyMenu(menu);
  handler->Release();

  handler = NewHandler({L"P:\\docs\\a.txt", L"P:\\docs\\b.txt"});
  menu = ShellMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL), MAKE_HRESULT(0, 0, 10));
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  DestroyMenu(menu);
  handler->Release();

  // A dropped path longer than the buffer is refused, not cut to name
  // another item; 259 characters still fit.
  IShellExtInit* init = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsidVornickContext, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                             reinterpret_cast<void**>(&init)),
            S_OK);
  DropData too_long({L"P:\\" + std::wstring(257, L'n')});
  EXPECT_EQ(init->Initialize(nullptr, &too_long, nullptr), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  DropData fits({L"P:\\" + std::wstring(256, L'n')});
  EXPECT_EQ(init->Initialize(nullptr, &fits, nullptr), S_OK);
  init->Release();

  handler = NewHandler({L"C:\\windows\\win.ini"});
  menu = ShellMenu();
  EXPECT_EQ(handler->QueryContextMenu(menu, 0, 100, 200, CMF_DEFAULTONLY), MAKE_HRESULT(0, 0, 10));
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  DestroyMenu(menu);
  handler->Release();

  // The background of P:\docs (locked) gives the folder's own menu.
  PIDLIST_ABSOLUTE pidl = nullptr;
  ASSERT_EQ(SHParseDisplayName(L"P:\\docs", nullptr, &pidl, 0, nullptr), S_OK);
  handler = NewHandler({}, pidl);
  ASSERT_NE(handler, nullptr);
  menu = ShellMenu();
  handler->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
  items = Items(menu);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].text, L"&Unlock");
  DestroyMenu(menu);
  handler->Release();
  CoTaskMemFree(pidl);
}

HRESULT Invoke(IContextMenu* handler, int offset) {
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = MAKEINTRESOURCEA(offset);
  info.nShow = SW_SHOWNORMAL;
  return handler->InvokeCommand(&info);
}

TEST_F(ProtectedComTest, InvokingLockUnlockAndDecrypt) {
  IContextMenu* handler = NewHandler({L"P:\\docs\\a.txt"});
  ASSERT_NE(handler, nullptr);
  HMENU menu = ShellMenu();
  handler->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
  DestroyMenu(menu);
  {
    ScreenScript script;
    EXPECT_EQ(Invoke(handler, 9), S_OK);  // unlocked: locks without a password
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], L"Pellowen Client|'P:\\docs\\a.txt' is now locked");
    EXPECT_TRUE(script.dialogs.empty());
  }
  EXPECT_FALSE(Item("\\docs\\a.txt").unlocked);
  {
    ScreenScript script;  // the password dialog, cancelled
    script.Then([](HWND d) { ScreenScript::Click(d, 204); });
    EXPECT_EQ(Invoke(handler, 9), E_INVALIDARG);
    EXPECT_EQ(script.dialogs.size(), 1u);
    EXPECT_TRUE(script.boxes.empty());
  }
  {
    ScreenScript script;  // a wrong password: the system's text in the error box
    script.Then([](HWND d) {
      ScreenScript::Type(d, 210, L"wrong");
      ScreenScript::Click(d, IDOK);
    });
    EXPECT_EQ(Invoke(handler, 9), E_INVALIDARG);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].substr(0, 7), L"Faild!|");
    EXPECT_GT(script.boxes[0].size(), 8u);
  }
  {
    ScreenScript script;
    script.Then([](HWND d) {
      ScreenScript::Type(d, 210, L"pw");
      ScreenScript::Click(d, IDOK);
    });
    EXPECT_EQ(Invoke(handler, 9), S_OK);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], L"Pellowen Client|'P:\\docs\\a.txt' is now unLocked");
  }
  EXPECT_TRUE(Item("\\docs\\a.txt").unlocked);
  {
    ScreenScript script;
    script.Then([](HWND d) {
      ScreenScript::Type(d, 210, L"pw");
      ScreenScript::Click(d, IDOK);
    });
    EXPECT_EQ(Invoke(handler, 1), S_OK);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], L"Pellowen Client|Decryption completed.");
  }
  EXPECT_FALSE(Item("\\docs\\a.txt").is_protected);
  EXPECT_EQ(Invoke(handler, 7), E_INVALIDARG);
  EXPECT_EQ(Invoke(handler, 10), E_INVALIDARG);
  EXPECT_EQ(Invoke(handler, 5), S_OK);
  handler->Release();
}

TEST_F(ProtectedComTest, ShareToTheUsersPicked) {
  IContextMenu* handler = NewHandler({L"P:\\docs\\b.txt"});
  ASSERT_NE(handler, nullptr);
  ScreenScript script;
  script.Then([](HWND d) {
    HWND list = GetDlgItem(d, 220);
    EXPECT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, 223)));
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    ScreenScript::Click(d, IDOK);
  });
  EXPECT_EQ(Invoke(handler, 2), E_INVALIDARG);
  ASSERT_EQ(script.dialogs.size(), 1u);
  EXPECT_EQ(script.dialogs[0], L"Share Files To");
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0], L"Pellowen Client|Completed share files to users, 2 successful, 0 failed.");
  sim::ProtectedState s;
  sim::ProtectedVolumes(machine->simulated()->folder()).Load(&s);
  EXPECT_EQ(s.volumes['P'].shares, (std::vector<sim::UserTransfer>{{"\\docs\\b.txt", "alice"}, {"\\docs\\b.txt", "carol"}}));
  handler->Release();
}

TEST_F(ProtectedComTest, OverlaysMarkLockedAndUnlockedItems) {
  IShellIconOverlayIdentifier* lock = nullptr;
  IShellIconOverlayIdentifier* unlock = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsidVornickIconLock, nullptr, CLSCTX_INPROC_SERVER, IID_IShellIconOverlayIdentifier,
                             reinterpret_cast<void**>(&lock)),
            S_OK);
  ASSERT_EQ(CoCreateInstance(kClsidVornickIconUnLock, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&unlock)),
            S_OK);
  wchar_t file[MAX_PATH] = {};
  int index = -1;
  DWORD flags = 0;
  ASSERT_EQ(unlock->GetOverlayInfo(file, MAX_PATH, &index, &flags), S_OK);
  EXPECT_EQ(lstrcmpiW(file, DllPath().c_str()), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(flags, DWORD(ISIOI_ICONFILE | ISIOI_ICONINDEX));
  // The index counts icon groups as the shell's extraction does.
  HICON icon = nullptr;
  EXPECT_EQ(ExtractIconExW(file, index, &icon, nullptr, 1), 1u);
  if (icon) DestroyIcon(icon);
  int priority = -1;
  EXPECT_EQ(lock->GetPriority(&priority), S_OK);
  EXPECT_EQ(priority, 0);

  EXPECT_EQ(lock->IsMemberOf(L"P:\\docs", FILE_ATTRIBUTE_DIRECTORY), S_OK);
  EXPECT_EQ(unlock->IsMemberOf(L"P:\\docs", FILE_ATTRIBUTE_DIRECTORY), S_FALSE);
  EXPECT_EQ(unlock->IsMemberOf(L"P:\\docs\\a.txt", 0), S_OK);
  EXPECT_EQ(lock->IsMemberOf(L"P:\\docs\\b.txt", 0), S_FALSE);
  EXPECT_EQ(lock->IsMemberOf(L"C:\\windows\\win.ini", 0), S_FALSE);
  lock->Release();
  unlock->Release();
}

// Explorer asks for overlays and menus from several threads at once; the
// objects make their machine on the first call, whichever thread makes it.
TEST_F(ProtectedComTest, EightThreadsAskForOverlaysAndMenusAtOnce) {
  IShellIconOverlayIdentifier* lock = nullptr;
  IShellIconOverlayIdentifier* unlock = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsidVornickIconLock, nullptr, CLSCTX_INPROC_SERVER, IID_IShellIconOverlayIdentifier,
                             reinterpret_cast<void**>(&lock)),
            S_OK);
  ASSERT_EQ(CoCreateInstance(kClsidVornickIconUnLock, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&unlock)),
            S_OK);
  struct Shared {
    IShellIconOverlayIdentifier *lock, *unlock;
    LONG wrong = 0;
  } shared{lock, unlock};
  auto work = [](void* arg) -> DWORD {
    auto* sh = static_cast<Shared*>(arg);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 0; i < 40; ++i) {
      LONG bad = (sh->lock->IsMemberOf(L"P:\\docs", FILE_ATTRIBUTE_DIRECTORY) != S_OK) +
                 (sh->unlock->IsMemberOf(L"P:\\docs\\a.txt", 0) != S_OK) +
                 (sh->lock->IsMemberOf(L"P:\\docs\\b.txt", 0) != S_FALSE) +
                 (sh->unlock->IsMemberOf(L"C:\\windows\\win.ini", 0) != S_FALSE);
      if (i % 4 == 0) {
        IContextMenu* handler = NewHandler({L"P:\\docs\\a.txt"});
        HMENU menu = ShellMenu();
        bad += !handler || handler->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL) != MAKE_HRESULT(0, 0, 10) ||
               GetMenuItemCount(menu) != 5;
        if (handler) handler->Release();
        DestroyMenu(menu);
      }
      InterlockedExchangeAdd(&sh->wrong, bad);
    }
    CoUninitialize();
    return 0;
  };
  std::vector<HANDLE> threads;
  for (int t = 0; t < 8; ++t) threads.push_back(CreateThread(nullptr, 0, work, &shared, 0, nullptr));
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 60000);
  for (HANDLE h : threads) CloseHandle(h);
  EXPECT_EQ(shared.wrong, 0);
  lock->Release();
  unlock->Release();
}

}  // namespace
}  // namespace tw::shellext::win

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  InitCommonControls();
  int r = RUN_ALL_TESTS();
  OleUninitialize();
  return r;
}
