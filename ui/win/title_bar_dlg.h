// A caption-less pop-up dialog turned into a skinned frame: background
// image, cut corners, three bitmap caption buttons, a drag area, an
// enforced size and a notification icon of its own.
#pragma once

#include <memory>

#include "framework/dialog.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "ui/layout/controls.h"
#include "ui/layout/frame.h"

namespace tw::ui {

constexpr UINT kWmFrameTrayIcon = 0x7E9;
constexpr UINT kFrameTemplate = 102;
constexpr UINT kFrameIcon = 128;
constexpr UINT kFrameMenu = 193;

class CTitleBarDlg : public fw::CDialog {
 public:
  explicit CTitleBarDlg(UINT template_id = kFrameTemplate, HINSTANCE inst = nullptr);
  ~CTitleBarDlg() override;

  void SetBackgroundImage(std::unique_ptr<Gdiplus::Image> image);
  Gdiplus::Image* background_image() const { return background_.get(); }
  // In 96-DPI pixels; the window is scaled to its DPI.
  void SetEnforcedSize(int width, int height) {
    enforced_width_ = width;
    enforced_height_ = height;
  }
  // Screen coordinates, as of the last caption paint.
  const RECT& close_rect() const { return close_rect_; }
  const RECT& minimize_rect() const { return minimize_rect_; }
  const RECT& menu_rect() const { return menu_rect_; }
  CaptionImage image_of(CaptionButton b) const;
  const NOTIFYICONDATAW& tray_record() const { return tray_; }
  // The region is computed once per process; a program (or a test) that
  // builds a second, different frame may ask for it again.
  static void ResetRegionPending();
  static UINT TaskbarCreatedMessage();
  UINT dpi() const { return dpi_; }
  int Scaled(int px) const { return fw::Scale(px, dpi_); }

  BOOL OnInitDialog() override;
  bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  // Pops up the frame menu at the cursor; a derived window may replace it.
  virtual void ShowFrameMenu();
  // The window has moved to a screen of another scale: lay the content out again.
  virtual void OnDpiChanged(UINT) {}

 private:
  LRESULT OnEraseBkgnd(HDC dc);
  // Cuts the white corner pixels out of the window's region. `painted` is
  // the erased background, read beyond the picture; null before any paint.
  void CutCorners(HDC painted, BOOL redraw);
  void DrawCaptionButtons();
  void UpdateCaptionRects();
  void ChooseImages(POINT client, bool button_down);
  CaptionRects WindowRects() const;

  std::unique_ptr<Gdiplus::Image> background_;
  HICON big_icon_ = nullptr, small_icon_ = nullptr;
  NOTIFYICONDATAW tray_{};
  int button_top_;
  int enforced_width_ = 0, enforced_height_ = 0;
  UINT dpi_ = fw::kBaseDpi;
  RECT close_rect_{}, minimize_rect_{}, menu_rect_{}, icon_rect_{};
  CaptionImage images_[3] = {CaptionImage::kNormal, CaptionImage::kNormal, CaptionImage::kNormal};
  fw::CBitmap bitmaps_[3][3];  // close, minimise, menu x normal, hover, pressed
  HoverTracker mouse_;  // only its leave notice matters here
};

}  // namespace tw::ui
