// The snapshot tree behind the Snapshot Manager's view: its nodes, where
// each one sits on the view's grid, and the geometry the view paints from.
// The Win32 view only draws what this says; every decision is made here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tw {

enum class SnapshotNodeKind : uint8_t {
  kBaseImage = 0,        // the root
  kPresentState = 1,     // the disk as it is now
  kSnapshot = 2,
  kCurrentSnapshot = 3,  // the snapshot the disk runs on
};

constexpr int kNoNode = -1;

// Grid and drawing constants of the view.
constexpr int kGridStep = 65;
constexpr int kRootLeft = 3;
constexpr int kRootTop = 22;
constexpr int kPictureRaise = 2;       // a picture's top sits this far above its box
constexpr int kExtentMargin = 28;      // added to the tree's extent for the drawing
constexpr int kScrollBarSize = 18;
constexpr int kLineScroll = 32;
constexpr int kPageScrollHorizontal = 65;
constexpr int kPageScrollVertical = 195;
constexpr int kNameFontHeight = 14;
constexpr char16_t kNameFontFace[] = u"Arial";

constexpr char16_t kBaseImageText[] = u"Base \r\nImage";
constexpr char16_t kPresentStateText[] = u"You are \r\n Here";

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
constexpr Rgb kSelectedFocusedFill{10, 36, 106};
constexpr Rgb kSelectedUnfocusedFill{212, 208, 200};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kPictureTransparent = kWhite;
constexpr Rgb kBackground = kWhite;

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};
struct Size {
  int width = 0, height = 0;
  bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};
// Half-open: left <= x < right, top <= y < bottom.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct SnapshotNode {
  SnapshotNodeKind kind = SnapshotNodeKind::kSnapshot;
  std::u16string name;
  std::u16string description;
  uint64_t id = 0;  // 0 for the root and the present-state node
  int parent = kNoNode;
  int first = kNoNode;        // the main line: drawn on the node's own row
  // Further children, on lower rows. Holds only the branches there are: a
  // tree of thousands of snapshots has few nodes with any.
  std::vector<int> branches;
  int column = 0;
  int row = 0;
  bool selected = false;
};

// A piece of connector picture in one grid cell.
enum class ConnectorKind : uint8_t {
  kLeftStub,   // on the left edge of a box that has a parent
  kVertical,   // a straight run through the cell, top to bottom
  kTee,        // runs on down and turns right into a branch
  kElbow,      // comes from above and turns right into the last branch
};
struct ConnectorPiece {
  ConnectorKind kind;
  Rect cell;  // the 65 x 65 grid cell (for a stub: the box it belongs to)
};

class SnapshotTree {
 public:
  SnapshotTree();

  // Back to the root with the present-state node as its child, selected.
  void Clear();
  // Adds a child under `parent`, placed by the grid rules; returns its index.
  int AddChild(int parent, SnapshotNodeKind kind, std::u16string name, std::u16string description, uint64_t id);
  // Moves the present-state node to be the last child of `node`.
  void MovePresentStateUnder(int node);

  int root() const { return 0; }
  int present_state() const { return present_; }
  int selected() const { return selected_; }
  // Makes `node` the one selected node.
  void Select(int node);
  void SetTexts(int node, std::u16string name, std::u16string description);

  size_t size() const { return nodes_.size(); }
  const SnapshotNode& node(int i) const { return nodes_[static_cast<size_t>(i)]; }
  // Children in order: the main line, then the branches.
  std::vector<int> Children(int node) const;
  // The node of a snapshot identifier, or kNoNode.
  int FindById(uint64_t id) const;

  // Geometry, in drawing coordinates (before scrolling).
  Rect Box(int node) const;
  // Where a picture of the given width goes: centred, its top above the box.
  Point PictureOrigin(int node, int picture_width) const;
  // The lower half of the box, where the name is written.
  Rect TextRect(int node) const;
  // The farthest right and bottom edges of all boxes.
  Size Extent() const;
  // Main line first, then branches in order, depth first.
  std::vector<int> DrawOrder() const;
  std::vector<ConnectorPiece> Connectors() const;
  // The pieces whose cells meet `area`, in the same order: a long branch
  // run costs only the rows the area shows.
  std::vector<ConnectorPiece> ConnectorsIn(const Rect& area) const;
  // The nodes whose boxes meet `area`, in drawing order: a view that paints
  // only its visible part gets the same picture from a window-sized bitmap.
  std::vector<int> NodesIn(const Rect& area) const;
  // The node whose box holds the point (the one drawn last where boxes
  // overlap), or kNoNode.
  int HitTest(int x, int y) const;

  // Left arrow: the parent (never the root); Right arrow: the main-line
  // child. kNoNode when there is nothing to move to.
  int NodeLeftOf(int node) const;
  int NodeRightOf(int node) const;

  // Bytes held by the branch lists (for the benchmark).
  size_t BranchBytes() const;

 private:
  int NewNode(SnapshotNodeKind kind, std::u16string name, std::u16string description, uint64_t id);
  void Place(int node, int column, int row);
  void Detach(int node);
  int MaxBranchesAlongMainLine(int start) const;
  int LowestRowOfSubtree(int node) const;

  std::vector<SnapshotNode> nodes_;
  int present_ = kNoNode;
  int selected_ = kNoNode;
  // Grid cell -> node drawn last there; rebuilt when the layout changed.
  mutable std::unordered_map<uint64_t, int> cells_;
  mutable bool cells_valid_ = false;
};

// Fill and text colours of a node's box.
Rgb NodeFill(bool selected, bool view_has_focus);
Rgb NodeTextColour(bool selected);

// The grid and every figure above are 96-DPI pixels ("units"); a view on a
// screen of another DPI draws and hit-tests through this scale, so the
// tree's layout is the same at every scale.
struct ViewScale {
  int dpi = 96;
  // Units to pixels, rounded to the nearest as the system's MulDiv does.
  int Px(int units) const;
  // The unit a pixel lies in: the largest u with Px(u) <= px, so a pixel
  // is in a box exactly when it is in the box's pixel rectangle.
  int Units(int px) const;
  Rect Px(const Rect& r) const { return {Px(r.left), Px(r.top), Px(r.right), Px(r.bottom)}; }
};

// The view's drawing surface and scroll bars for a window of a given size
// (pixels), the tree's extent in units.
struct ViewportLayout {
  bool horizontal_bar = false;
  bool vertical_bar = false;
  Size client;   // the window less the bars shown
  Size drawing;  // the tree's extent plus the margin
  Size bitmap;   // the larger of client and drawing, per dimension
  int max_x = 0;  // largest scroll offsets
  int max_y = 0;
};
ViewportLayout LayoutViewport(Size window, Size tree_extent, ViewScale scale = {});

// Scroll offsets (pixels) within a layout; every change is clamped to the
// range. The steps are units scaled by `scale`.
class SnapshotScroller {
 public:
  void SetLayout(const ViewportLayout& layout, ViewScale scale = {});
  const ViewportLayout& layout() const { return layout_; }
  int x() const { return x_; }
  int y() const { return y_; }
  enum class Step { kLineBack, kLineOn, kPageBack, kPageOn };
  void ScrollHorizontal(Step step);
  void ScrollVertical(Step step);
  void ScrollTo(int x, int y);
  // The part of the drawing the client area shows.
  Rect Visible() const { return {x_, y_, x_ + layout_.client.width, y_ + layout_.client.height}; }
  // A window point in drawing coordinates.
  Point ToDrawing(Point window_point) const { return {window_point.x + x_, window_point.y + y_}; }

 private:
  static int Clamp(int v, int max) { return v < 0 ? 0 : v > max ? max : v; }
  ViewportLayout layout_;
  ViewScale scale_;
  int x_ = 0, y_ = 0;
};

// What a click or a pointer over the view means: the node to select (or
// kNoNode), and whether the pointer is the hand. The point is in drawing
// pixels of a view at `scale`.
int NodeToSelectAt(const SnapshotTree& tree, Point drawing_point, ViewScale scale = {});
bool HandCursorAt(const SnapshotTree& tree, Point drawing_point, ViewScale scale = {});

}  // namespace tw
