// Screenshots of the main window, page by page, for review:
//   manager_shots.exe OUTDIR SUFFIX [RECTFILE]
// writes OUTDIR\main-<page>-SUFFIX.png for "Pellowen", "Tools" (with a
// disk, a CD/DVD image and a burner listed), "Persisted Devices",
// "Options" and "About". It runs on the simulated machine of
// TARNWICK_SIM_STATE and plugs the devices it shows when the slots are free.
// With RECTFILE it also appends each page's window rectangles there.
#include <memory>
#include <string>
#include <vector>

#include "app/ardentis_dlg.h"
#include "app/shots/window_tree.h"
#include "framework/app.h"
#include "framework/image.h"
#include "iscsi/discovery.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "storagebus/storage_bus.h"
#include "ui/win/localize.h"

namespace tw::ui {
namespace {

void PumpFor(DWORD ms) {
  DWORD end = ::GetTickCount() + ms;
  while (static_cast<int>(end - ::GetTickCount()) > 0) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::Sleep(10);
  }
}

bool PngEncoder(CLSID* clsid) {
  UINT n = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&n, &size);
  std::vector<BYTE> buf(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(n, size, codecs);
  for (UINT i = 0; i < n; ++i)
    if (std::wstring(codecs[i].MimeType) == L"image/png") {
      *clsid = codecs[i].Clsid;
      return true;
    }
  return false;
}

bool SaveWindow(HWND w, const std::wstring& file) {
  RECT r{};
  ::GetWindowRect(w, &r);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
  ::SelectObject(mem, old);
  CLSID png{};
  bool ok = false;
  if (PngEncoder(&png)) {
    Gdiplus::Bitmap picture(bmp, nullptr);
    ok = picture.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

void PlugExamples(const Platform& p, const std::wstring& folder) {
  StorageBus bus(p);
  if (bus.SelectAdapter(0) != kOk) return;
  DeviceRecord probe;
  if (bus.QueryDevice(0, &probe) == kOk && probe.in_use()) return;
  std::u16string dir = fw::FromWide(folder);
  DeviceRecord disk;
  disk.set_slot(0);
  disk.set_device_type(kImageDisk);
  disk.set_create_new(true);
  disk.set_new_size(uint64_t{1536} << 20);
  disk.set_image_disk_path(dir + u"\\backup.img");
  bus.PlugDevice(disk);
  DeviceRecord cd;
  cd.set_slot(1);
  cd.set_device_type(kCdRom);
  cd.set_cd_image_path(dir + u"\\install.iso");
  bus.PlugDevice(cd);
  DeviceRecord burner;
  burner.set_slot(2);
  burner.set_device_type(kCdBurner);
  burner.set_disc_kind(1);
  burner.set_burner_image_path(dir + u"\\blank.iso");
  bus.PlugDevice(burner);
}

void AddServers(const Platform& p) {
  const char16_t* names[] = {u"192.168.1.20", u"nas.example", u"10.0.0.5"};
  for (int i = 0; i < 3; ++i) {
    RegKey k = 0;
    std::u16string key = u"Software\\Velthorn\\Pellowen\\Servers\\Server" + fw::FromWide(std::to_wstring(i));
    if (p.registry->CreateKey(kHkeyCurrentUser, key, &k) != kOk) continue;
    p.registry->SetString(k, u"IPAddress", names[i]);
    p.registry->SetDword(k, u"Port", 2049 + i);
    p.registry->CloseKey(k);
  }
}

}  // namespace
}  // namespace tw::ui

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tw;
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argc < 3) return 2;
  std::wstring out = argv[1], suffix = argv[2];
  std::wstring rects = argc > 3 ? argv[3] : L"";
  fw::CApp::InitCommonControls(ICC_WIN95_CLASSES);
  fw::CGdiPlusSession gdiplus;
  ui::LoadTranslations();
  ui::LocalizedPrompter prompter;
  std::unique_ptr<Machine> machine = NewMachine(&prompter);
  const Platform& p = machine->platform();
  ui::PlugExamples(p, out);
  ui::AddServers(p);
  IscsiLists lists;
  IscsiDiscovery discovery(*p.sockets, lists);
  ui::CArdentisDlg dlg(p, discovery);
  dlg.SetPrompter(&prompter);
  dlg.SetEnforcedSize(800, 480);
  if (!dlg.CreateModeless(nullptr)) return 1;
  dlg.SetWindowPos(HWND_TOP, 40, 40, dlg.Scaled(800), dlg.Scaled(480), 0);
  ui::PumpFor(600);
  int failures = 0;
  for (const char16_t* page : {u"Pellowen", u"Tools", u"Persisted Devices", u"Options", u"About"}) {
    ui::CLeftMenuItem* item = dlg.menu_bar().FindItem(page);
    if (!item) continue;
    if (item->parent_item()) static_cast<ui::CLeftMenuItem*>(item->parent_item())->SetSelected(true);
    item->SetSelected(true);
    if (std::u16string(page) == u"Tools") dlg.devices_page().list().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    ui::PumpFor(500);
    std::wstring name = fw::ToWide(page);
    for (wchar_t& c : name) c = c == L' ' ? L'-' : static_cast<wchar_t>(::towlower(c));
    if (!ui::SaveWindow(dlg.m_hWnd, out + L"\\main-" + name + L"-" + suffix + L".png")) ++failures;
    if (!rects.empty() && !shots::WriteWindowTree(rects.c_str(), (L"main-" + name).c_str(), dlg.m_hWnd)) ++failures;
  }
  dlg.DestroyWindow();
  return failures;
}
