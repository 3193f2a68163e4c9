#include "devices/win/add_target_wizard.h"

#include <algorithm>

#include "devices/win/create_vfs_page.h"
#include "devices/win/mount_image_page.h"
#include "devices/win/mount_vhd_dlg.h"
#include "devices/win/mount_virtual_cd_dlg.h"
#include "devices/win/mount_virtual_cd_page.h"
#include "devices/win/select_device_page.h"
#include "devices/win/select_local_device_page.h"
#include "iscsi/win/choose_devices_page.h"
#include "iscsi/win/set_chap_page.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/wait_cursor.h"

namespace tw::ui {

// The pages' moves through the wizard model; a move may discover targets
// (the target page), so it shows the wait cursor.
class CAddTargetWizard::Flow : public WizardFlow {
 public:
  Flow(CAddTargetWizard& sheet, MountWizard& w) : sheet_(sheet), w_(w) {}
  int Next() override {
    CWaitCursor wait;
    w_.Next();
    return w_.current();
  }
  int Back() override {
    CWaitCursor wait;
    w_.Back();
    return w_.current();
  }
  bool Finish() override {
    sheet_.finished_ = w_.Finish();
    return sheet_.finished_;
  }
  void Shown(int index) override {
    if (w_.current() == index) return;  // a move of the model's own
    CWaitCursor wait;
    w_.Activate(index);
  }
  WizardButtons Buttons() const override { return w_.buttons(); }
  std::u16string Title(int index) const override { return WizardPage(index).title; }
  std::u16string Subtitle(int index) const override { return WizardPage(index).subtitle; }

 private:
  CAddTargetWizard& sheet_;
  MountWizard& w_;
};

CAddTargetWizard::CAddTargetWizard(MountWizard& wizard, const Platform& platform, IscsiDiscovery& discovery)
    : fw::CPropertySheet(Tr(u"Mount Device").c_str(), true),
      wizard_(wizard),
      flow_(std::make_unique<Flow>(*this, wizard)) {
  Flow& f = *flow_;
  for (int index : WizardPageOrder()) {
    std::unique_ptr<CImagePage> page;
    switch (index) {
      case kPageSelectDevice: page = std::make_unique<CSelectDevicePage>(wizard, f); break;
      case kPageChooseTarget: page = std::make_unique<CChooseDevicesPage>(platform, discovery, wizard.target, f); break;
      case kPageChap: page = std::make_unique<CSetChapPage>(wizard.chap_user, wizard.chap_secret, f); break;
      case kPageVirtualFolder: page = std::make_unique<CCreateVFSPage>(wizard, f); break;
      case kPageSelectLocal: page = std::make_unique<CSelectLocalDevicePage>(wizard, f); break;
      case kPageBurner: page = std::make_unique<CMountVirtualCDDlg>(wizard, f); break;
      case kPageVhd: page = std::make_unique<CMountVHDDlg>(wizard, f); break;
      case kPageImage: page = std::make_unique<CMountImagePage>(wizard, f); break;
      case kPageCd: page = std::make_unique<CMountVirtualCDPage>(wizard, f); break;
    }
    if (!page) continue;
    page->SetPrompter(platform.prompter);
    AddPage(page.get());
    pages_.push_back(std::move(page));
  }
}

CAddTargetWizard::~CAddTargetWizard() {
  if (band_icon_) ::DestroyIcon(band_icon_);
}

CImagePage* CAddTargetWizard::PageAt(int index) const {
  for (const auto& p : pages_)
    if (p->index() == index) return p.get();
  return nullptr;
}

void CAddTargetWizard::Prepare() {
  finished_ = false;
  const std::vector<int>& order = WizardPageOrder();
  auto at = std::find(order.begin(), order.end(), wizard_.current());
  SetStartPage(at == order.end() ? 0 : static_cast<UINT>(at - order.begin()));
}

bool CAddTargetWizard::Run(HWND parent) {
  Prepare();
  DoModal(parent);
  return finished_;
}

HWND CAddTargetWizard::Open(HWND parent) {
  Prepare();
  return CreateModeless(parent);
}

void CAddTargetWizard::OnSheetInitialized() {
  pattern_.Attach(fw::LoadBitmapResource(IDB_WIZARD_PATTERN));
  if (!pattern_.IsNull()) pattern_brush_.Attach(::CreatePatternBrush(pattern_));
  // Room for the band: the sheet grows and everything on it moves down.
  dpi_ = fw::DpiOf(m_hWnd);
  const int shift = Scaled(kBandHeight + kLineHeight);
  RECT wr = GetWindowRect();
  for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    ::SetWindowPos(c, nullptr, r.left, r.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top + shift, SWP_NOMOVE | SWP_NOZORDER);
  RECT rc = GetClientRect();
  HWND band = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, Scaled(kBandHeight),
                                m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  header_.Attach(band);
  header_.SetFont(reinterpret_cast<HFONT>(SendMessageW(WM_GETFONT)));
  const int icon = Scaled(32);
  if (band_icon_) ::DestroyIcon(band_icon_);
  band_icon_ = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, icon, icon, 0));
  header_.SetIcon(band_icon_);
  line_.Attach(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, Scaled(kBandHeight),
                                 rc.right, Scaled(kLineHeight), m_hWnd, nullptr, ::GetModuleHandleW(nullptr),
                                 nullptr));
}

void CAddTargetWizard::PlacePages() {
  const int top = Scaled(kBandHeight + kLineHeight);
  for (const auto& p : pages_) {
    if (!p->IsWindow()) continue;
    RECT r = p->GetRectInParent();
    if (r.top < top) p->SetWindowPos(nullptr, r.left, r.top + top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A text, or a string resource id (values up to 0xFFFF).
static std::wstring HeaderText(WPARAM v) {
  if (v <= 0xFFFF) {
    const wchar_t* s = nullptr;
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), static_cast<UINT>(v), reinterpret_cast<LPWSTR>(&s), 0);
    return n > 0 ? std::wstring(s, static_cast<size_t>(n)) : std::wstring();
  }
  return Tr(reinterpret_cast<const wchar_t*>(v));
}

LRESULT CAddTargetWizard::OnHeader(WPARAM wp, LPARAM lp) {
  PlacePages();
  header_.SetTitle(HeaderText(wp));
  header_.SetSubtitle(HeaderText(static_cast<WPARAM>(lp)));
  return 0;
}

LRESULT CAddTargetWizard::OnGoTo(WPARAM wp, LPARAM) {
  const std::vector<int>& order = WizardPageOrder();
  auto at = std::find(order.begin(), order.end(), static_cast<int>(wp));
  if (at == order.end()) return FALSE;
  return SetActivePage(static_cast<int>(at - order.begin()));
}

LRESULT CAddTargetWizard::OnEraseBkgnd(WPARAM wp, LPARAM) {
  auto dc = reinterpret_cast<HDC>(wp);
  RECT rc = GetClientRect();
  RECT strip = rc, body = rc;
  strip.top = rc.bottom - Scaled(kStripHeight);
  body.top = Scaled(kBandHeight + kLineHeight);
  body.bottom = strip.top;
  ::FillRect(dc, &body, pattern_brush_.IsNull() ? page_brush_.m_handle : pattern_brush_.m_handle);
  ::FillRect(dc, &strip, page_brush_);
  return 1;
}

// Statics on the sheet (the bottom strip's line) draw on the page colour.
LRESULT CAddTargetWizard::OnCtlColorStatic(WPARAM wp, LPARAM) {
  auto dc = reinterpret_cast<HDC>(wp);
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(page_brush_));
}

}  // namespace tw::ui
