#include "devices/snapshots/win/snapshot_view.h"

#include <algorithm>

#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

COLORREF Ref(Rgb c) { return RGB(c.r, c.g, c.b); }

// Where the connector pictures sit: the stub reaches from the picture on
// the left to the box's own picture, the branch pieces run down the middle
// of the parent's column; both at the pictures' middle height.
constexpr int kStubLeft = -17;
constexpr int kStubTop = 13;
constexpr int kBranchLeft = 31;
constexpr int kBranchPieceWidth = 33;
// Room around the visible part for pictures and stubs that stick out of
// their boxes.
constexpr int kPaintSlack = kGridStep;

int BranchPiece(ConnectorKind k) {
  switch (k) {
    case ConnectorKind::kTee: return 1;
    case ConnectorKind::kElbow: return 2;
    default: return 0;
  }
}

}  // namespace

LRESULT CSnapshotView::CBar::OnFocusChange(WPARAM, LPARAM) {
  ::InvalidateRect(GetParent(), nullptr, FALSE);
  SetMsgHandled(false);
  return 0;
}

CSnapshotView::CSnapshotView() { SetDpi(fw::kBaseDpi); }

void CSnapshotView::SetDpi(UINT dpi) {
  scale_.dpi = static_cast<int>(dpi);
  const UINT ids[4] = {IDB_SNAP_BASE, IDB_SNAP_HERE, IDB_SNAP_NODE, IDB_SNAP_CURRENT};
  const COLORREF key = Ref(kPictureTransparent);
  const int d = scale_.dpi;
  for (int i = 0; i < 4; ++i) pictures_[i].Load(fw::LoadBitmapResource(ids[i]), key, d);
  // The connectors are straight lines: no filter, no blending of the pieces.
  stub_.Load(fw::LoadBitmapResource(IDB_SNAP_LINK), key, d, false);
  branch_.Load(fw::LoadBitmapResource(IDB_SNAP_BRANCH), key, d, false);
  font_.Attach(::CreateFontW(scale_.Px(kNameFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             reinterpret_cast<const wchar_t*>(kNameFontFace)));
}

LRESULT CSnapshotView::OnDpiChanged(WPARAM wp, LPARAM) {
  UINT dpi = wp ? static_cast<UINT>(wp) : fw::DpiOf(m_hWnd);
  if (static_cast<int>(dpi) != scale_.dpi) {
    SetDpi(dpi);
    Layout();
    Invalidate(FALSE);
  }
  return 0;
}

bool CSnapshotView::Create(HWND parent, const RECT& rc, UINT id, const SnapshotTree* tree) {
  tree_ = tree;
  if (UINT dpi = fw::DpiOf(parent); static_cast<int>(dpi) != scale_.dpi) SetDpi(dpi);
  if (!fw::CWindow::Create(parent, rc, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN,
                           WS_EX_CLIENTEDGE, id))
    return false;
  RECT none{0, 0, 0, 0};
  if (!hbar_.CreateControl(L"SCROLLBAR", m_hWnd, none, L"", WS_CHILD | SBS_HORZ, 0, 1) ||
      !vbar_.CreateControl(L"SCROLLBAR", m_hWnd, none, L"", WS_CHILD | SBS_VERT, 0, 2))
    return false;
  Layout();
  return true;
}

bool CSnapshotView::HasFocus() const {
  HWND f = ::GetFocus();
  return f && (f == m_hWnd || f == hbar_.m_hWnd || f == vbar_.m_hWnd);
}

void CSnapshotView::TreeChanged() {
  Layout();
  Invalidate(FALSE);
}

void CSnapshotView::Layout() {
  if (!IsWindow() || !tree_) return;
  RECT rc = GetClientRect();
  scroller_.SetLayout(LayoutViewport({rc.right, rc.bottom}, tree_->Extent(), scale_), scale_);
  const ViewportLayout& v = scroller_.layout();
  const int bar = scale_.Px(kScrollBarSize);
  hbar_.SetWindowPos(nullptr, 0, v.client.height, v.client.width, bar, SWP_NOZORDER | SWP_NOACTIVATE);
  vbar_.SetWindowPos(nullptr, v.client.width, 0, bar, v.client.height, SWP_NOZORDER | SWP_NOACTIVATE);
  hbar_.ShowWindow(v.horizontal_bar ? SW_SHOWNA : SW_HIDE);
  vbar_.ShowWindow(v.vertical_bar ? SW_SHOWNA : SW_HIDE);
  SyncBars();
}

void CSnapshotView::SyncBars() {
  const ViewportLayout& v = scroller_.layout();
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMax = std::max(0, v.drawing.width - 1);
  si.nPage = static_cast<UINT>(v.client.width);
  si.nPos = scroller_.x();
  ::SetScrollInfo(hbar_, SB_CTL, &si, TRUE);
  si.nMax = std::max(0, v.drawing.height - 1);
  si.nPage = static_cast<UINT>(v.client.height);
  si.nPos = scroller_.y();
  ::SetScrollInfo(vbar_, SB_CTL, &si, TRUE);
}

void CSnapshotView::Scrolled() {
  SyncBars();
  Invalidate(FALSE);
}

void CSnapshotView::EnsureVisible(int node) {
  if (!tree_ || node == kNoNode) return;
  Rect b = tree_->Box(node);
  Rect vis = scroller_.Visible();
  const ViewScale& s = scale_;
  int x = scroller_.x(), y = scroller_.y();
  if (s.Px(b.left - kRootLeft) < vis.left) x = s.Px(b.left - kRootLeft);
  else if (s.Px(b.right) > vis.right) x = s.Px(b.right + kExtentMargin) - (vis.right - vis.left);
  if (s.Px(b.top - kRootTop) < vis.top) y = s.Px(b.top - kRootTop);
  else if (s.Px(b.bottom) > vis.bottom) y = s.Px(b.bottom + kExtentMargin) - (vis.bottom - vis.top);
  if (x == scroller_.x() && y == scroller_.y()) return;
  scroller_.ScrollTo(x, y);
  Scrolled();
}

void CSnapshotView::Paint(HDC target) {
  fw::CDCHandle dc(target);
  const ViewportLayout& v = scroller_.layout();
  const ViewScale& s = scale_;
  const int bar = s.Px(kScrollBarSize);
  RECT client{0, 0, v.client.width, v.client.height};
  dc.FillSolidRect(client, Ref(kBackground));
  if (v.horizontal_bar && v.vertical_bar) {
    // The corner between the two bars.
    RECT corner{v.client.width, v.client.height, v.client.width + bar, v.client.height + bar};
    dc.FillSolidRect(corner, ::GetSysColor(COLOR_BTNFACE));
  }
  if (!tree_) return;
  const int sx = scroller_.x(), sy = scroller_.y();
  // The tree works in units: the visible pixels' units, with the slack.
  Rect vis = scroller_.Visible();
  Rect area{s.Units(vis.left) - kPaintSlack, s.Units(vis.top) - kPaintSlack, s.Units(vis.right - 1) + 1 + kPaintSlack,
            s.Units(vis.bottom - 1) + 1 + kPaintSlack};
  auto on_client = [&](Rect units) {
    Rect p = s.Px(units);
    return RECT{p.left - sx, p.top - sy, p.right - sx, p.bottom - sy};
  };
  int saved = dc.SaveDC();
  ::IntersectClipRect(dc, 0, 0, v.client.width, v.client.height);

  // One scratch DC for the whole frame.
  fw::CDC scratch;
  scratch.CreateCompatibleDC(dc);
  SIZE stub = stub_.size();
  SIZE branch = branch_.size();
  for (const ConnectorPiece& piece : tree_->ConnectorsIn(area)) {
    if (piece.kind == ConnectorKind::kLeftStub) {
      stub_.Draw(dc, scratch, s.Px(piece.cell.left + kStubLeft) - sx, s.Px(piece.cell.top + kStubTop) - sy, 0, stub.cx,
                 stub.cy);
    } else {
      // The strip's pieces, each from its scaled start to the next one's.
      int from = BranchPiece(piece.kind) * kBranchPieceWidth;
      int src_x = s.Px(from);
      // A cell's rows may be a pixel more than the strip's scaled height.
      branch_.Draw(dc, scratch, s.Px(piece.cell.left + kBranchLeft) - sx, s.Px(piece.cell.top) - sy, src_x,
                   s.Px(from + kBranchPieceWidth) - src_x, branch.cy,
                   s.Px(piece.cell.top + branch_.source_size().cy) - s.Px(piece.cell.top));
    }
  }

  bool focus = HasFocus();
  fw::CSelect font(dc, font_);
  dc.SetBkMode(TRANSPARENT);
  for (int n : tree_->NodesIn(area)) {
    const SnapshotNode& node = tree_->node(n);
    if (node.selected) dc.FillSolidRect(on_client(tree_->Box(n)), Ref(NodeFill(true, focus)));
    const CKeyedPicture& picture = pictures_[static_cast<int>(node.kind) & 3];
    SIZE ps = picture.size();
    Point at = tree_->PictureOrigin(n, picture.source_size().cx);
    picture.Draw(dc, scratch, s.Px(at.x) - sx, s.Px(at.y) - sy, 0, ps.cx, ps.cy);
    RECT text = on_client(tree_->TextRect(n));
    dc.SetTextColor(Ref(NodeTextColour(node.selected)));
    // The base image and the present state carry the program's own texts.
    bool own_text = node.kind == SnapshotNodeKind::kBaseImage || node.kind == SnapshotNodeKind::kPresentState;
    std::wstring name = own_text ? Tr(node.name) : fw::ToWide(node.name);
    dc.DrawTextW(name, &text, DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  dc.RestoreDC(saved);
}

LRESULT CSnapshotView::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC paint(m_hWnd);
  const ViewportLayout& v = scroller_.layout();
  const int bar = scale_.Px(kScrollBarSize);
  RECT all{0, 0, v.client.width + (v.vertical_bar ? bar : 0), v.client.height + (v.horizontal_bar ? bar : 0)};
  CMemoryDC buffer(paint, &all);
  Paint(buffer);
  return 0;
}

LRESULT CSnapshotView::OnSize(WPARAM, LPARAM) {
  Layout();
  Invalidate(FALSE);
  return 0;
}

bool CSnapshotView::StepOf(int code, SnapshotScroller::Step* step) {
  switch (code) {
    case SB_LINEUP: *step = SnapshotScroller::Step::kLineBack; return true;
    case SB_LINEDOWN: *step = SnapshotScroller::Step::kLineOn; return true;
    case SB_PAGEUP: *step = SnapshotScroller::Step::kPageBack; return true;
    case SB_PAGEDOWN: *step = SnapshotScroller::Step::kPageOn; return true;
    default: return false;
  }
}

// The 16-bit position of the message would cut a tall tree's offsets.
int CSnapshotView::TrackPosition(HWND bar) const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(bar, SB_CTL, &si);
  return si.nTrackPos;
}

LRESULT CSnapshotView::OnHScroll(WPARAM wp, LPARAM) {
  int code = LOWORD(wp);
  SnapshotScroller::Step step;
  if (StepOf(code, &step)) scroller_.ScrollHorizontal(step);
  else if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) scroller_.ScrollTo(TrackPosition(hbar_), scroller_.y());
  else if (code == SB_LEFT) scroller_.ScrollTo(0, scroller_.y());
  else if (code == SB_RIGHT) scroller_.ScrollTo(scroller_.layout().max_x, scroller_.y());
  else return 0;
  Scrolled();
  return 0;
}

LRESULT CSnapshotView::OnVScroll(WPARAM wp, LPARAM) {
  int code = LOWORD(wp);
  SnapshotScroller::Step step;
  if (StepOf(code, &step)) scroller_.ScrollVertical(step);
  else if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) scroller_.ScrollTo(scroller_.x(), TrackPosition(vbar_));
  else if (code == SB_TOP) scroller_.ScrollTo(scroller_.x(), 0);
  else if (code == SB_BOTTOM) scroller_.ScrollTo(scroller_.x(), scroller_.layout().max_y);
  else return 0;
  Scrolled();
  return 0;
}

LRESULT CSnapshotView::OnMouseWheel(WPARAM wp, LPARAM) {
  int delta = GET_WHEEL_DELTA_WPARAM(wp);
  auto step = delta > 0 ? SnapshotScroller::Step::kLineBack : SnapshotScroller::Step::kLineOn;
  for (int i = 0; i < 3; ++i) scroller_.ScrollVertical(step);
  Scrolled();
  return 0;
}

LRESULT CSnapshotView::OnLButtonDown(WPARAM, LPARAM lp) {
  ::SetFocus(m_hWnd);
  if (!tree_) return 0;
  POINT p = fw::PointFromLParam(lp);
  int node = NodeToSelectAt(*tree_, scroller_.ToDrawing({p.x, p.y}), scale_);
  if (node != kNoNode && on_click) on_click(node);
  return 0;
}

LRESULT CSnapshotView::OnSetCursor(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(wp) != m_hWnd || LOWORD(lp) != HTCLIENT || !tree_) {
    SetMsgHandled(false);
    return 0;
  }
  POINT p;
  ::GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  ::SetCursor(CursorAt(p));
  return TRUE;
}

HCURSOR CSnapshotView::CursorAt(POINT client) const {
  bool hand = tree_ && HandCursorAt(*tree_, scroller_.ToDrawing({client.x, client.y}), scale_);
  return ::LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW);
}

LRESULT CSnapshotView::OnKeyDown(WPARAM wp, LPARAM) {
  if ((wp == VK_LEFT || wp == VK_RIGHT) && on_arrow) on_arrow(wp == VK_RIGHT);
  else SetMsgHandled(false);
  return 0;
}

LRESULT CSnapshotView::OnFocusChange(WPARAM, LPARAM) {
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::ui
