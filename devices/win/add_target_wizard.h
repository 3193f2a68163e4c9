// CAddTargetWizard: the "Mount Device" sheet in wizard mode with its nine
// pages over one MountWizard model: a header band (title and subtitle from
// the pages, message 0x8066) above the pages, a bottom strip in the page
// colour, and moves to a page index (message 0x8068).
#pragma once

#include <memory>
#include <vector>

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/property_sheet.h"
#include "platform/platform.h"
#include "ui/win/skin_controls.h"

namespace tw::ui {

class CAddTargetWizard : public fw::CPropertySheet {
 public:
  // At 96 DPI; scaled by the sheet's DPI.
  static constexpr int kBandHeight = 60;  // the header band
  static constexpr int kLineHeight = 2;   // the etched line below it
  static constexpr int kStripHeight = 48; // the bottom strip

  // The wizard opens at the model's current page (MountWizard::Start).
  CAddTargetWizard(MountWizard& wizard, const Platform& platform, IscsiDiscovery& discovery);
  ~CAddTargetWizard() override;

  // Runs modally: true when the wizard ended with Finish.
  bool Run(HWND parent);
  // For tests that drive a modeless sheet.
  HWND Open(HWND parent);
  bool finished() const { return finished_; }

  // The page object of a wizard page index (null for 2 or out of range).
  CImagePage* PageAt(int index) const;
  const CHeaderTitle& header() const { return header_; }
  int Scaled(int px) const { return fw::Scale(px, dpi_); }

  TW_BEGIN_MSG_MAP(CAddTargetWizard, fw::CPropertySheet)
    TW_MSG(kWmWizardHeader, OnHeader)
    TW_MSG(kWmWizardGoTo, OnGoTo)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_CTLCOLORSTATIC, OnCtlColorStatic)
  TW_END_MSG_MAP()

 protected:
  void OnSheetInitialized() override;

 private:
  class Flow;
  LRESULT OnHeader(WPARAM wp, LPARAM lp);
  LRESULT OnGoTo(WPARAM wp, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM wp, LPARAM);
  LRESULT OnCtlColorStatic(WPARAM wp, LPARAM);
  // Puts every created page below the band (the sheet places a page where
  // its own layout wants it when it creates it).
  void PlacePages();
  void Prepare();

  MountWizard& wizard_;
  std::unique_ptr<Flow> flow_;
  std::vector<std::unique_ptr<CImagePage>> pages_;  // in adding order
  CHeaderTitle header_;
  fw::CWindow line_;
  fw::CBrush page_brush_{::CreateSolidBrush(kWizardPageColour)};
  fw::CBrush white_brush_{::CreateSolidBrush(RGB(255, 255, 255))};
  fw::CBrush pattern_brush_;
  fw::CBitmap pattern_;
  HICON band_icon_ = nullptr;
  UINT dpi_ = fw::kBaseDpi;
  bool finished_ = false;
};

}  // namespace tw::ui
