#include "devices/snapshots/snapshot_tree.h"

#include <algorithm>
#include <utility>

namespace tw {

SnapshotTree::SnapshotTree() { Clear(); }

void SnapshotTree::Clear() {
  nodes_.clear();
  cells_valid_ = false;
  present_ = kNoNode;
  selected_ = kNoNode;
  int root_node = NewNode(SnapshotNodeKind::kBaseImage, kBaseImageText, u"", 0);
  Place(root_node, 0, 0);
  present_ = AddChild(root_node, SnapshotNodeKind::kPresentState, kPresentStateText, u"", 0);
  Select(present_);
}

int SnapshotTree::NewNode(SnapshotNodeKind kind, std::u16string name, std::u16string description, uint64_t id) {
  SnapshotNode n;
  n.kind = kind;
  n.name = std::move(name);
  n.description = std::move(description);
  n.id = id;
  nodes_.push_back(std::move(n));
  return static_cast<int>(nodes_.size() - 1);
}

void SnapshotTree::Place(int node, int column, int row) {
  nodes_[node].column = column;
  nodes_[node].row = row;
  cells_valid_ = false;
}

int SnapshotTree::MaxBranchesAlongMainLine(int start) const {
  size_t most = 0;
  for (int c = start; c != kNoNode; c = nodes_[c].first) most = std::max(most, nodes_[c].branches.size());
  return static_cast<int>(most);
}

int SnapshotTree::AddChild(int parent, SnapshotNodeKind kind, std::u16string name, std::u16string description,
                           uint64_t id) {
  int n = NewNode(kind, std::move(name), std::move(description), id);
  nodes_[n].parent = parent;
  SnapshotNode& p = nodes_[parent];
  if (p.first == kNoNode && p.branches.empty()) {
    p.first = n;
    Place(n, p.column + 1, p.row);
    return n;
  }
  if (present_ != kNoNode && n != present_ && nodes_[present_].parent == parent) {
    // The new node takes the present state's place; the present state
    // moves on to the right as its main line.
    int y = present_;
    if (p.first == y) {
      p.first = n;
    } else {
      auto it = std::find(p.branches.begin(), p.branches.end(), y);
      *it = n;
    }
    Place(n, nodes_[y].column, nodes_[y].row);
    nodes_[y].parent = n;
    nodes_[n].first = y;
    Place(y, nodes_[n].column + 1, nodes_[n].row);
    return n;
  }
  // Counting the branches along the main line above is not enough once
  // those branches have branches of their own: boxes would land on boxes.
  // The new branch also goes below every row the subtree above it uses.
  int column, row;
  if (p.branches.empty()) {
    column = p.column + 1;
    row = p.row + 1 + MaxBranchesAlongMainLine(p.first);
    if (p.first != kNoNode) row = std::max(row, LowestRowOfSubtree(p.first) + 1);
  } else {
    int prev = p.branches.back();
    column = nodes_[prev].column;
    row = nodes_[prev].row + 1 + MaxBranchesAlongMainLine(nodes_[prev].first);
    row = std::max(row, LowestRowOfSubtree(prev) + 1);
  }
  p.branches.push_back(n);
  Place(n, column, row);
  return n;
}

void SnapshotTree::Detach(int node) {
  int parent = nodes_[node].parent;
  if (parent == kNoNode) return;
  SnapshotNode& p = nodes_[parent];
  if (p.first == node) {
    p.first = kNoNode;
  } else {
    p.branches.erase(std::remove(p.branches.begin(), p.branches.end(), node), p.branches.end());
  }
  nodes_[node].parent = kNoNode;
  cells_valid_ = false;
}

int SnapshotTree::LowestRowOfSubtree(int node) const {
  int lowest = nodes_[node].row;
  std::vector<int> stack{node};
  while (!stack.empty()) {
    int c = stack.back();
    stack.pop_back();
    lowest = std::max(lowest, nodes_[c].row);
    if (nodes_[c].first != kNoNode) stack.push_back(nodes_[c].first);
    for (int b : nodes_[c].branches) stack.push_back(b);
  }
  return lowest;
}

void SnapshotTree::MovePresentStateUnder(int node) {
  int y = present_;
  if (y == kNoNode || node == y) return;
  Detach(y);
  SnapshotNode& x = nodes_[node];
  nodes_[y].parent = node;
  if (x.first == kNoNode && x.branches.empty()) {
    x.first = y;
    Place(y, x.column + 1, x.row);
    return;
  }
  // Its top goes one grid step below the subtree's lowest bottom edge.
  int lowest = LowestRowOfSubtree(node);
  x.branches.push_back(y);
  Place(y, x.column + 1, lowest + 2);
}

void SnapshotTree::Select(int node) {
  if (selected_ != kNoNode) nodes_[selected_].selected = false;
  selected_ = node;
  if (node != kNoNode) nodes_[node].selected = true;
}

void SnapshotTree::SetTexts(int node, std::u16string name, std::u16string description) {
  nodes_[node].name = std::move(name);
  nodes_[node].description = std::move(description);
}

std::vector<int> SnapshotTree::Children(int node) const {
  std::vector<int> out;
  const SnapshotNode& n = nodes_[node];
  if (n.first != kNoNode) out.push_back(n.first);
  out.insert(out.end(), n.branches.begin(), n.branches.end());
  return out;
}

int SnapshotTree::FindById(uint64_t id) const {
  if (id == 0) return kNoNode;
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i].id == id) return static_cast<int>(i);
  return kNoNode;
}

Rect SnapshotTree::Box(int node) const {
  const SnapshotNode& n = nodes_[node];
  int left = kRootLeft + kGridStep * n.column;
  int top = kRootTop + kGridStep * n.row;
  return {left, top, left + kGridStep, top + kGridStep};
}

Point SnapshotTree::PictureOrigin(int node, int picture_width) const {
  Rect b = Box(node);
  return {b.left + (kGridStep - picture_width) / 2, b.top - kPictureRaise};
}

Rect SnapshotTree::TextRect(int node) const {
  Rect b = Box(node);
  return {b.left, b.top + kGridStep / 2, b.right, b.bottom};
}

Size SnapshotTree::Extent() const {
  Size s;
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].parent == kNoNode && static_cast<int>(i) != root()) continue;  // detached
    Rect b = Box(static_cast<int>(i));
    s.width = std::max(s.width, b.right);
    s.height = std::max(s.height, b.bottom);
  }
  return s;
}

std::vector<int> SnapshotTree::DrawOrder() const {
  std::vector<int> order;
  order.reserve(nodes_.size());
  std::vector<int> stack{root()};
  while (!stack.empty()) {
    int c = stack.back();
    stack.pop_back();
    order.push_back(c);
    const SnapshotNode& n = nodes_[c];
    for (auto it = n.branches.rbegin(); it != n.branches.rend(); ++it) stack.push_back(*it);
    if (n.first != kNoNode) stack.push_back(n.first);
  }
  return order;
}

std::vector<ConnectorPiece> SnapshotTree::Connectors() const {
  std::vector<ConnectorPiece> pieces;
  for (int c : DrawOrder()) {
    const SnapshotNode& n = nodes_[c];
    if (n.parent != kNoNode) pieces.push_back({ConnectorKind::kLeftStub, Box(c)});
    if (n.branches.empty()) continue;
    // Down the parent's column from below its box to the last branch's row.
    size_t next = 0;
    int last_row = nodes_[n.branches.back()].row;
    for (int r = n.row + 1; r <= last_row; ++r) {
      while (next < n.branches.size() && nodes_[n.branches[next]].row < r) ++next;
      ConnectorKind kind = ConnectorKind::kVertical;
      if (next < n.branches.size() && nodes_[n.branches[next]].row == r)
        kind = next + 1 == n.branches.size() ? ConnectorKind::kElbow : ConnectorKind::kTee;
      int left = kRootLeft + kGridStep * n.column;
      int top = kRootTop + kGridStep * r;
      pieces.push_back({kind, {left, top, left + kGridStep, top + kGridStep}});
    }
  }
  return pieces;
}

std::vector<ConnectorPiece> SnapshotTree::ConnectorsIn(const Rect& area) const {
  std::vector<ConnectorPiece> pieces;
  auto meets = [&](const Rect& b) {
    return b.left < area.right && area.left < b.right && b.top < area.bottom && area.top < b.bottom;
  };
  // Grid rows whose cells meet the area.
  auto floor_div = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  int first_row = floor_div(area.top - kRootTop, kGridStep);
  int last_row = floor_div(area.bottom - 1 - kRootTop, kGridStep);
  for (int c : DrawOrder()) {
    const SnapshotNode& n = nodes_[c];
    if (n.parent != kNoNode && meets(Box(c))) pieces.push_back({ConnectorKind::kLeftStub, Box(c)});
    if (n.branches.empty()) continue;
    int left = kRootLeft + kGridStep * n.column;
    if (left >= area.right || left + kGridStep <= area.left) continue;
    int from = std::max(n.row + 1, first_row);
    int to = std::min(nodes_[n.branches.back()].row, last_row);
    if (from > to) continue;
    // Branches are placed in rising rows: the first one at or below `from`.
    auto next = std::lower_bound(n.branches.begin(), n.branches.end(), from,
                                 [&](int b, int row) { return nodes_[b].row < row; });
    for (int r = from; r <= to; ++r) {
      while (next != n.branches.end() && nodes_[*next].row < r) ++next;
      ConnectorKind kind = ConnectorKind::kVertical;
      if (next != n.branches.end() && nodes_[*next].row == r)
        kind = next + 1 == n.branches.end() ? ConnectorKind::kElbow : ConnectorKind::kTee;
      int top = kRootTop + kGridStep * r;
      pieces.push_back({kind, {left, top, left + kGridStep, top + kGridStep}});
    }
  }
  return pieces;
}

std::vector<int> SnapshotTree::NodesIn(const Rect& area) const {
  std::vector<int> out;
  for (int c : DrawOrder()) {
    Rect b = Box(c);
    if (b.left < area.right && area.left < b.right && b.top < area.bottom && area.top < b.bottom) out.push_back(c);
  }
  return out;
}

namespace {
uint64_t CellKey(int column, int row) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32) | static_cast<uint32_t>(row);
}
}  // namespace

int SnapshotTree::HitTest(int x, int y) const {
  if (x < kRootLeft || y < kRootTop) return kNoNode;
  if (!cells_valid_) {
    cells_.clear();
    for (int c : DrawOrder()) cells_[CellKey(nodes_[c].column, nodes_[c].row)] = c;
    cells_valid_ = true;
  }
  auto it = cells_.find(CellKey((x - kRootLeft) / kGridStep, (y - kRootTop) / kGridStep));
  return it == cells_.end() ? kNoNode : it->second;
}

int SnapshotTree::NodeLeftOf(int node) const {
  if (node == kNoNode) return kNoNode;
  int p = nodes_[node].parent;
  return p == kNoNode || p == root() ? kNoNode : p;
}

int SnapshotTree::NodeRightOf(int node) const {
  if (node == kNoNode) return kNoNode;
  return nodes_[node].first;
}

size_t SnapshotTree::BranchBytes() const {
  size_t bytes = 0;
  for (const SnapshotNode& n : nodes_) bytes += n.branches.capacity() * sizeof(int);
  return bytes;
}

Rgb NodeFill(bool selected, bool view_has_focus) {
  if (!selected) return kWhite;
  return view_has_focus ? kSelectedFocusedFill : kSelectedUnfocusedFill;
}

Rgb NodeTextColour(bool selected) { return selected ? kWhite : kBlack; }

namespace {
int FloorDiv(int64_t a, int64_t b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }
}  // namespace

int ViewScale::Px(int units) const {
  if (dpi == 96) return units;
  int64_t p = static_cast<int64_t>(units) * dpi;
  return static_cast<int>(p >= 0 ? (p + 48) / 96 : -((-p + 48) / 96));
}

int ViewScale::Units(int px) const {
  if (dpi == 96) return px;
  // An estimate within one of the answer, then the exact inverse of Px.
  int u = FloorDiv(static_cast<int64_t>(px) * 96, dpi);
  while (Px(u + 1) <= px) ++u;
  while (Px(u) > px) --u;
  return u;
}

ViewportLayout LayoutViewport(Size window, Size tree_extent, ViewScale scale) {
  ViewportLayout v;
  const int bar = scale.Px(kScrollBarSize);
  v.drawing = {scale.Px(tree_extent.width + kExtentMargin), scale.Px(tree_extent.height + kExtentMargin)};
  // A bar takes room from the other direction, which may call for that
  // direction's bar in turn; two rounds settle it.
  for (int round = 0; round < 3; ++round) {
    v.client = {window.width - (v.vertical_bar ? bar : 0),
                window.height - (v.horizontal_bar ? bar : 0)};
    bool h = v.drawing.width > v.client.width;
    bool vb = v.drawing.height > v.client.height;
    if (h == v.horizontal_bar && vb == v.vertical_bar) break;
    v.horizontal_bar = h;
    v.vertical_bar = vb;
  }
  v.client = {std::max(0, window.width - (v.vertical_bar ? bar : 0)),
              std::max(0, window.height - (v.horizontal_bar ? bar : 0))};
  v.bitmap = {std::max(v.client.width, v.drawing.width), std::max(v.client.height, v.drawing.height)};
  v.max_x = std::max(0, v.drawing.width - v.client.width);
  v.max_y = std::max(0, v.drawing.height - v.client.height);
  return v;
}

void SnapshotScroller::SetLayout(const ViewportLayout& layout, ViewScale scale) {
  layout_ = layout;
  scale_ = scale;
  x_ = Clamp(x_, layout_.max_x);
  y_ = Clamp(y_, layout_.max_y);
}

namespace {
int StepDistance(SnapshotScroller::Step step, int line, int page) {
  switch (step) {
    case SnapshotScroller::Step::kLineBack: return -line;
    case SnapshotScroller::Step::kLineOn: return line;
    case SnapshotScroller::Step::kPageBack: return -page;
    case SnapshotScroller::Step::kPageOn: return page;
  }
  return 0;
}
}  // namespace

void SnapshotScroller::ScrollHorizontal(Step step) {
  x_ = Clamp(x_ + StepDistance(step, scale_.Px(kLineScroll), scale_.Px(kPageScrollHorizontal)), layout_.max_x);
}

void SnapshotScroller::ScrollVertical(Step step) {
  y_ = Clamp(y_ + StepDistance(step, scale_.Px(kLineScroll), scale_.Px(kPageScrollVertical)), layout_.max_y);
}

void SnapshotScroller::ScrollTo(int x, int y) {
  x_ = Clamp(x, layout_.max_x);
  y_ = Clamp(y, layout_.max_y);
}

int NodeToSelectAt(const SnapshotTree& tree, Point p, ViewScale scale) {
  int hit = tree.HitTest(scale.Units(p.x), scale.Units(p.y));
  return hit == tree.root() ? kNoNode : hit;
}

bool HandCursorAt(const SnapshotTree& tree, Point p, ViewScale scale) {
  return NodeToSelectAt(tree, p, scale) != kNoNode;
}

}  // namespace tw
