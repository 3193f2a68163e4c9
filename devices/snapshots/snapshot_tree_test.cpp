// The view's grid layout, hit testing, keys and scrolling, and the tree
// build over a source held in memory.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "devices/snapshots/snapshot_disk.h"
#include "devices/snapshots/snapshot_tree.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"

namespace tw {
namespace {

using K = SnapshotNodeKind;

struct Cell {
  int column, row;
  bool operator==(const Cell& o) const { return column == o.column && row == o.row; }
};
std::ostream& operator<<(std::ostream& os, const Cell& c) { return os << "(" << c.column << "," << c.row << ")"; }

Cell CellOf(const SnapshotTree& t, int n) { return {t.node(n).column, t.node(n).row}; }

// Parent -> children in order; the driver's answers without a driver.
class MemorySource final : public SnapshotSource {
 public:
  void Add(uint64_t id, uint64_t parent, const std::string& name) {
    SnapshotRecord r;
    r.set_id(id);
    r.set_name(name);
    children[parent].push_back(r);
  }
  Status ListChildren(uint64_t parent, std::vector<SnapshotRecord>* out) override {
    ++lists;
    auto it = children.find(parent);
    *out = it == children.end() ? std::vector<SnapshotRecord>{} : it->second;
    return kOk;
  }
  Status CurrentSnapshot(uint64_t* id) override {
    *id = current;
    return kOk;
  }
  std::map<uint64_t, std::vector<SnapshotRecord>> children;
  uint64_t current = 0;
  int lists = 0;
};

class SnapshotTreeTest : public ::testing::Test {
 protected:
  int Find(const std::string& name) const {
    for (size_t i = 0; i < tree.size(); ++i)
      if (tree.node(static_cast<int>(i)).name == std::u16string(name.begin(), name.end())) return static_cast<int>(i);
    return kNoNode;
  }
  void Build() { BuildSnapshotTree(source, *services.code_page, &tree); }

  SystemServices services = NewSystemServices();
  MemorySource source;
  SnapshotTree tree;
};

TEST_F(SnapshotTreeTest, EmptyDiskHasTheRootAndThePresentStateOnly) {
  Build();
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree.node(tree.root()).kind, K::kBaseImage);
  EXPECT_EQ(tree.node(tree.root()).name, u"Base \r\nImage");
  int y = tree.present_state();
  EXPECT_EQ(tree.node(y).name, u"You are \r\n Here");
  EXPECT_EQ(tree.node(y).parent, tree.root());
  EXPECT_EQ(tree.selected(), y);
  EXPECT_TRUE(tree.node(y).selected);
  EXPECT_EQ(tree.Box(tree.root()), (Rect{3, 22, 68, 87}));
  EXPECT_EQ(tree.Box(y), (Rect{68, 22, 133, 87}));
  EXPECT_EQ(tree.Extent(), (Size{133, 87}));
}

TEST_F(SnapshotTreeTest, ChainPushesThePresentStateAlongUntilTheCurrentIsFound) {
  // A -> {B -> D, C}, current C.
  source.Add(1, 0, "A");
  source.Add(2, 1, "B");
  source.Add(3, 1, "C");
  source.Add(4, 2, "D");
  source.current = 3;
  Build();
  int a = Find("A"), b = Find("B"), c = Find("C"), d = Find("D"), y = tree.present_state();
  EXPECT_EQ(CellOf(tree, a), (Cell{1, 0}));
  EXPECT_EQ(CellOf(tree, b), (Cell{2, 0}));
  EXPECT_EQ(CellOf(tree, d), (Cell{3, 0}));
  EXPECT_EQ(CellOf(tree, c), (Cell{2, 1}));  // first branch: no branches along B's main line
  EXPECT_EQ(tree.node(c).kind, K::kCurrentSnapshot);
  EXPECT_EQ(tree.node(b).kind, K::kSnapshot);
  // C had no child: the present state is its main line.
  EXPECT_EQ(tree.node(y).parent, c);
  EXPECT_EQ(tree.node(c).first, y);
  EXPECT_EQ(CellOf(tree, y), (Cell{3, 1}));
  EXPECT_EQ(tree.node(d).first, kNoNode);  // left behind by the move
  EXPECT_EQ(tree.DrawOrder(), (std::vector<int>{tree.root(), a, b, d, c, y}));
  EXPECT_EQ(source.lists, 5);  // root and every snapshot expanded once
}

TEST_F(SnapshotTreeTest, BranchesMoveDownByTheBranchesAlongTheMainLineAbove) {
  // A -> {B -> {F, G}, C, E}; current G.
  source.Add(1, 0, "A");
  source.Add(2, 1, "B");
  source.Add(3, 1, "C");
  source.Add(4, 1, "E");
  source.Add(5, 2, "F");
  source.Add(6, 2, "G");
  source.current = 6;
  Build();
  EXPECT_EQ(CellOf(tree, Find("F")), (Cell{3, 0}));
  EXPECT_EQ(CellOf(tree, Find("G")), (Cell{3, 1}));
  // B on A's main line holds one branch: C goes one row further down.
  EXPECT_EQ(CellOf(tree, Find("C")), (Cell{2, 2}));
  // C has no main line: E goes right below it.
  EXPECT_EQ(CellOf(tree, Find("E")), (Cell{2, 3}));
  EXPECT_EQ(CellOf(tree, tree.present_state()), (Cell{4, 1}));
  EXPECT_EQ(tree.node(tree.present_state()).parent, Find("G"));
}

TEST_F(SnapshotTreeTest, BranchesOfBranchesNeverShareACell) {
  // A -> {M, G1 -> {H, I}, G2 -> J}: counting G1's main line alone would
  // put G2 on I's row and J onto I's very cell.
  source.Add(1, 0, "A");
  source.Add(2, 1, "M");
  source.Add(3, 1, "G1");
  source.Add(6, 1, "G2");
  source.Add(4, 3, "H");
  source.Add(5, 3, "I");
  source.Add(7, 6, "J");
  source.current = 2;
  Build();
  EXPECT_EQ(CellOf(tree, Find("G1")), (Cell{2, 1}));
  EXPECT_EQ(CellOf(tree, Find("I")), (Cell{3, 2}));
  EXPECT_EQ(CellOf(tree, Find("G2")), (Cell{2, 3}));
  EXPECT_EQ(CellOf(tree, Find("J")), (Cell{3, 3}));

  // Any tree: one box per cell, so every snapshot can be clicked.
  source.children.clear();
  uint32_t seed = 7;
  for (uint64_t id = 1; id <= 600; ++id) {
    seed = seed * 1103515245u + 12345u;
    source.Add(id, id == 1 ? 0 : 1 + (seed >> 8) % (id - 1), "n" + std::to_string(id));
  }
  source.current = 300;
  Build();
  ASSERT_EQ(tree.size(), 602u);
  std::map<std::pair<int, int>, int> cells;
  for (size_t i = 0; i < tree.size(); ++i) {
    int n = static_cast<int>(i);
    auto [it, fresh] = cells.insert({{tree.node(n).column, tree.node(n).row}, n});
    EXPECT_TRUE(fresh) << "nodes " << it->second << " and " << n << " share " << CellOf(tree, n);
    Rect b = tree.Box(n);
    EXPECT_EQ(tree.HitTest(b.left + 30, b.top + 30), n);
  }
}

TEST_F(SnapshotTreeTest, PresentStateUnderACurrentThatHasChildrenGoesBelowItsWholeSubtree) {
  // A -> B -> C, A -> D; current A: the present state becomes A's last
  // branch, its top one step below the lowest bottom edge of A's subtree.
  source.Add(1, 0, "A");
  source.Add(2, 1, "B");
  source.Add(3, 2, "C");
  source.Add(4, 1, "D");
  source.current = 1;
  Build();
  int a = Find("A"), y = tree.present_state();
  EXPECT_EQ(CellOf(tree, Find("D")), (Cell{2, 1}));
  EXPECT_EQ(tree.node(y).parent, a);
  EXPECT_EQ(tree.node(a).branches.back(), y);
  EXPECT_EQ(CellOf(tree, y), (Cell{2, 3}));
  EXPECT_EQ(tree.Box(y).top, tree.Box(Find("D")).bottom + kGridStep);
  EXPECT_EQ(tree.node(Find("C")).first, kNoNode);
  // Connectors down A's column: a tee at D's row, a plain run, the elbow.
  std::vector<ConnectorPiece> pieces = tree.Connectors();
  std::vector<std::pair<ConnectorKind, int>> column_one;
  int stubs = 0;
  for (const ConnectorPiece& p : pieces) {
    if (p.kind == ConnectorKind::kLeftStub) ++stubs;
    else if (p.cell.left == 3 + kGridStep) column_one.push_back({p.kind, (p.cell.top - kRootTop) / kGridStep});
  }
  EXPECT_EQ(stubs, 5);  // every box but the root's
  EXPECT_EQ(column_one, (std::vector<std::pair<ConnectorKind, int>>{
                            {ConnectorKind::kTee, 1}, {ConnectorKind::kVertical, 2}, {ConnectorKind::kElbow, 3}}));
}

TEST_F(SnapshotTreeTest, NoCurrentSnapshotLeavesThePresentStateUnderTheRoot) {
  // Snapshots exist but the disk runs on none (its current one was merged
  // away): the present state must not hang under some unrelated snapshot.
  source.Add(1, 0, "A");
  source.Add(2, 1, "B");
  source.Add(3, 0, "C");
  Build();
  int y = tree.present_state();
  EXPECT_EQ(tree.node(y).parent, tree.root());
  EXPECT_EQ(tree.node(Find("B")).first, kNoNode);
  EXPECT_EQ(CellOf(tree, Find("C")), (Cell{1, 1}));
  EXPECT_EQ(CellOf(tree, y), (Cell{1, 3}));
}

TEST_F(SnapshotTreeTest, ANewChildTakesThePresentStatesPlaceAmongTheBranches) {
  int a = tree.AddChild(tree.root(), K::kSnapshot, u"A", u"", 1);
  int b = tree.AddChild(a, K::kSnapshot, u"B", u"", 2);
  tree.MovePresentStateUnder(a);
  int y = tree.present_state();
  ASSERT_EQ(CellOf(tree, y), (Cell{2, 2}));
  int c = tree.AddChild(a, K::kSnapshot, u"C", u"", 3);
  EXPECT_EQ(CellOf(tree, c), (Cell{2, 2}));
  EXPECT_EQ(tree.node(a).branches, std::vector<int>{c});
  EXPECT_EQ(tree.node(c).first, y);
  EXPECT_EQ(CellOf(tree, y), (Cell{3, 2}));
  EXPECT_EQ(tree.Children(a), (std::vector<int>{b, c}));
}

TEST_F(SnapshotTreeTest, ConfusedDriverAnswersCannotMakeTheBuildLoop) {
  source.Add(1, 0, "A");
  source.Add(0, 0, "zero");  // never a real snapshot
  source.Add(1, 1, "A again");  // a snapshot listed as its own child
  source.Add(2, 1, "B");
  source.Add(1, 2, "cycle");
  Build();
  EXPECT_EQ(tree.size(), 4u);  // root, present state, A, B
  EXPECT_EQ(Find("zero"), kNoNode);
  EXPECT_EQ(Find("cycle"), kNoNode);
}

TEST_F(SnapshotTreeTest, DeepChainIsBuiltWalkedAndFreedWithoutRecursion) {
  const uint64_t n = 30000;
  for (uint64_t i = 1; i <= n; ++i) source.Add(i, i - 1, "s" + std::to_string(i));
  source.current = n;
  Build();
  ASSERT_EQ(tree.size(), n + 2);
  EXPECT_EQ(CellOf(tree, tree.present_state()), (Cell{static_cast<int>(n) + 1, 0}));
  EXPECT_EQ(tree.DrawOrder().size(), n + 2);
  EXPECT_EQ(tree.Extent().width, 3 + kGridStep * (static_cast<int>(n) + 2));
  tree.Clear();
  EXPECT_EQ(tree.size(), 2u);
}

TEST_F(SnapshotTreeTest, GeometryOfPicturesAndNames) {
  int y = tree.present_state();
  EXPECT_EQ(tree.PictureOrigin(y, 32), (Point{68 + 16, 20}));
  EXPECT_EQ(tree.PictureOrigin(y, 65), (Point{68, 20}));
  EXPECT_EQ(tree.TextRect(y), (Rect{68, 54, 133, 87}));
  EXPECT_EQ(NodeFill(true, true), (Rgb{10, 36, 106}));
  EXPECT_EQ(NodeFill(true, false), (Rgb{212, 208, 200}));
  EXPECT_EQ(NodeFill(false, true), kWhite);
  EXPECT_EQ(NodeTextColour(true), kWhite);
  EXPECT_EQ(NodeTextColour(false), kBlack);
}

TEST_F(SnapshotTreeTest, HitTestingKeysAndThePointer) {
  source.Add(1, 0, "A");
  source.Add(2, 1, "B");
  source.Add(3, 1, "C");
  source.current = 2;
  Build();
  int a = Find("A"), b = Find("B"), c = Find("C"), y = tree.present_state();
  EXPECT_EQ(NodeToSelectAt(tree, {68, 22}), a);       // top-left corner is inside
  EXPECT_EQ(NodeToSelectAt(tree, {132, 86}), a);      // bottom-right pixel
  EXPECT_EQ(NodeToSelectAt(tree, {133, 22}), b);      // the next box begins
  EXPECT_EQ(NodeToSelectAt(tree, {140, 100}), c);
  EXPECT_EQ(NodeToSelectAt(tree, {10, 30}), kNoNode);  // the root is never selected by a click
  EXPECT_EQ(tree.HitTest(10, 30), tree.root());
  EXPECT_FALSE(HandCursorAt(tree, {10, 30}));
  EXPECT_TRUE(HandCursorAt(tree, {200, 30}));
  EXPECT_FALSE(HandCursorAt(tree, {2, 30}));
  EXPECT_FALSE(HandCursorAt(tree, {80, 100}));  // empty cell below A
  EXPECT_FALSE(HandCursorAt(tree, {-70, -70}));

  EXPECT_EQ(tree.NodeLeftOf(a), kNoNode);  // never to the root
  EXPECT_EQ(tree.NodeLeftOf(c), a);
  EXPECT_EQ(tree.NodeRightOf(a), b);
  EXPECT_EQ(tree.NodeRightOf(b), y);
  EXPECT_EQ(tree.NodeRightOf(y), kNoNode);
}

TEST(SnapshotViewportTest, BarsRangesAndSteps) {
  // Fits: no bars, bitmap as large as the window.
  ViewportLayout v = LayoutViewport({300, 200}, {133, 87});
  EXPECT_FALSE(v.horizontal_bar);
  EXPECT_FALSE(v.vertical_bar);
  EXPECT_EQ(v.drawing, (Size{161, 115}));
  EXPECT_EQ(v.bitmap, (Size{300, 200}));
  EXPECT_EQ(v.max_x, 0);

  // Only too wide; the horizontal bar's height then makes it too tall too.
  v = LayoutViewport({300, 200}, {1000, 160});
  EXPECT_TRUE(v.horizontal_bar);
  EXPECT_TRUE(v.vertical_bar);
  EXPECT_EQ(v.client, (Size{282, 182}));
  EXPECT_EQ(v.bitmap, (Size{1028, 188}));
  EXPECT_EQ(v.max_x, 1028 - 282);
  EXPECT_EQ(v.max_y, 188 - 182);

  // Too wide but with room to spare below: one bar.
  v = LayoutViewport({300, 400}, {1000, 160});
  EXPECT_TRUE(v.horizontal_bar);
  EXPECT_FALSE(v.vertical_bar);
  EXPECT_EQ(v.client, (Size{300, 382}));

  SnapshotScroller s;
  s.SetLayout(LayoutViewport({300, 200}, {1000, 1000}));
  s.ScrollHorizontal(SnapshotScroller::Step::kLineBack);
  EXPECT_EQ(s.x(), 0);
  s.ScrollHorizontal(SnapshotScroller::Step::kLineOn);
  EXPECT_EQ(s.x(), 32);
  s.ScrollHorizontal(SnapshotScroller::Step::kPageOn);
  EXPECT_EQ(s.x(), 97);
  s.ScrollVertical(SnapshotScroller::Step::kPageOn);
  s.ScrollVertical(SnapshotScroller::Step::kLineOn);
  EXPECT_EQ(s.y(), 227);
  s.ScrollTo(100000, 100000);
  EXPECT_EQ(s.x(), s.layout().max_x);
  EXPECT_EQ(s.y(), s.layout().max_y);
  EXPECT_EQ(s.ToDrawing({5, 6}), (Point{5 + s.layout().max_x, 6 + s.layout().max_y}));
  // Only what the window shows needs painting.
  SnapshotTree wide;
  for (int i = 1; i <= 40; ++i) wide.AddChild(wide.root(), K::kSnapshot, u"w", u"", static_cast<uint64_t>(i));
  SnapshotScroller view;
  view.SetLayout(LayoutViewport({300, 200}, wide.Extent()));
  view.ScrollTo(0, 65 * 10);
  std::vector<int> shown = wide.NodesIn(view.Visible());
  ASSERT_FALSE(shown.empty());
  for (int n : shown) {
    Rect b = wide.Box(n);
    EXPECT_TRUE(b.bottom > view.y() && b.top < view.y() + view.layout().client.height);
  }
  EXPECT_LE(shown.size(), 5u);  // 182 pixels show parts of at most four rows
  // A window grown past the drawing pulls the offsets back.
  s.SetLayout(LayoutViewport({2000, 2000}, {1000, 1000}));
  EXPECT_EQ(s.x(), 0);
  EXPECT_EQ(s.y(), 0);
}

// At every scale a click selects the node whose box is drawn under the
// pointer, pixel for pixel, and the drawing and the steps grow with it.
TEST(SnapshotViewportTest, ScaledViewHitsWhatItDraws) {
  SnapshotTree tree;
  int a = tree.AddChild(tree.root(), K::kSnapshot, u"a", u"", 1);
  int b = tree.AddChild(a, K::kSnapshot, u"b", u"", 2);
  tree.AddChild(a, K::kSnapshot, u"c", u"", 3);
  tree.AddChild(b, K::kSnapshot, u"d", u"", 4);
  tree.MovePresentStateUnder(b);
  const std::vector<int> order = tree.DrawOrder();
  for (int dpi : {96, 120, 144, 168, 192, 288}) {
    SCOPED_TRACE(dpi);
    ViewScale s{dpi};
    for (int u = -200; u <= 2000; ++u) ASSERT_EQ(s.Units(s.Px(u)), u);
    Size extent = tree.Extent();
    ViewportLayout v = LayoutViewport({100, 100}, extent, s);
    EXPECT_EQ(v.drawing, (Size{s.Px(extent.width + kExtentMargin), s.Px(extent.height + kExtentMargin)}));
    EXPECT_EQ(v.client, (Size{100 - s.Px(kScrollBarSize), 100 - s.Px(kScrollBarSize)}));
    int hits = 0;
    for (int y = 0; y < v.drawing.height; ++y) {
      for (int x = 0; x < v.drawing.width; ++x) {
        int expected = kNoNode;
        for (int n : order)
          if (s.Px(tree.Box(n)).Contains(x, y)) expected = n;
        if (expected == tree.root()) expected = kNoNode;
        ASSERT_EQ(NodeToSelectAt(tree, {x, y}, s), expected) << x << "," << y;
        hits += expected != kNoNode;
      }
    }
    // Five selectable boxes, each its scaled square.
    int side = s.Px(kRootLeft + kGridStep) - s.Px(kRootLeft);
    EXPECT_NEAR(hits, 5 * side * side, 5 * 2 * side);
    SnapshotScroller scroller;
    scroller.SetLayout(v, s);
    scroller.ScrollVertical(SnapshotScroller::Step::kLineOn);
    EXPECT_EQ(scroller.y(), std::min(v.max_y, s.Px(kLineScroll)));
  }
}

// The view paints the pieces of its visible part only; they must be exactly
// the pieces of the whole drawing that meet it, in the same order.
TEST(SnapshotTreeLayoutTest, ConnectorsInAnAreaAreTheWholeDrawingsPiecesThatMeetIt) {
  std::mt19937 random(11);
  SnapshotTree tree;
  std::vector<int> nodes = {tree.root()};
  for (int i = 1; i <= 300; ++i) {
    int parent = nodes[random() % nodes.size()];
    nodes.push_back(tree.AddChild(parent, K::kSnapshot, u"n", u"", static_cast<uint64_t>(i)));
  }
  tree.MovePresentStateUnder(nodes[150]);
  std::vector<ConnectorPiece> all = tree.Connectors();
  Size extent = tree.Extent();
  auto same = [](const ConnectorPiece& a, const ConnectorPiece& b) { return a.kind == b.kind && a.cell == b.cell; };
  std::vector<Rect> areas = {{0, 0, extent.width, extent.height},
                             {-50, -50, 10, 10},
                             {130, 400, 131, 401},
                             {extent.width - 300, extent.height - 200, extent.width + 40, extent.height + 40}};
  for (int i = 0; i < 30; ++i) {
    int x = static_cast<int>(random() % static_cast<unsigned>(extent.width));
    int y = static_cast<int>(random() % static_cast<unsigned>(extent.height));
    areas.push_back({x, y, x + 1 + static_cast<int>(random() % 500), y + 1 + static_cast<int>(random() % 400)});
  }
  for (const Rect& area : areas) {
    std::vector<ConnectorPiece> want;
    for (const ConnectorPiece& p : all)
      if (p.cell.left < area.right && area.left < p.cell.right && p.cell.top < area.bottom && area.top < p.cell.bottom)
        want.push_back(p);
    std::vector<ConnectorPiece> got = tree.ConnectorsIn(area);
    ASSERT_EQ(got.size(), want.size()) << area.left << "," << area.top;
    for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(same(got[k], want[k])) << k;
  }
  EXPECT_GT(all.size(), tree.ConnectorsIn({0, 0, 300, 200}).size());
}

TEST(FitAnsiTest, CutsAtCharactersNeverInsideOne) {
  SystemServices services = NewSystemServices();
  std::string ansi;
  EXPECT_EQ(FitAnsi(*services.code_page, u"short", 31, &ansi), u"short");
  EXPECT_EQ(ansi, "short");
  std::u16string forty(40, u'x');
  EXPECT_EQ(FitAnsi(*services.code_page, forty, 31, &ansi), std::u16string(31, u'x'));
  EXPECT_EQ(ansi.size(), 31u);
  // UTF-8 as the ANSI code page: a two-byte character is never halved.
  std::u16string accented(20, u'\u00e9');
  std::u16string fitted = FitAnsi(*services.code_page, accented, 31, &ansi);
  std::string utf8 = services.code_page->ToAnsi(accented, kCpUtf8);
  if (services.code_page->AnsiCodePage() == kCpUtf8) {
    EXPECT_EQ(fitted.size(), 15u);
    EXPECT_EQ(ansi.size(), 30u);
  } else {
    EXPECT_EQ(fitted, accented);  // one byte each in 1252
  }
  EXPECT_EQ(utf8.size(), 40u);
}

}  // namespace
}  // namespace tw
