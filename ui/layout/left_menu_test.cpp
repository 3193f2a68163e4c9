#include "ui/layout/left_menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/text.h"

namespace tw::ui {
namespace {

struct Log {
  std::vector<std::u16string> to_main;  // names the main window received
  std::vector<std::u16string> events;
};

class FakeBar;

// Messages go straight to the parent's handler, as SendMessage does.
class FakeItem : public LeftMenuNode {
 public:
  FakeItem(std::u16string name, FakeItem* parent, FakeBar* bar, Log* log)
      : LeftMenuNode(std::move(name), parent), parent_(parent), bar_(bar), log_(log) {}
  int height = kTopItemCreateHeight;
  int y = 0;

 protected:
  void RedrawNow() override { log_->events.push_back(u"redraw " + name()); }
  void ResizeTo(int h) override {
    height = h;
    log_->events.push_back(u"resize " + name() + u" " + U16(std::to_string(h)));
  }
  intptr_t SendToParent(unsigned msg, LeftMenuNode* item, const char16_t* name) override;

 private:
  FakeItem* parent_;
  FakeBar* bar_;
  Log* log_;
};

class FakeBar : public LeftMenuBarRules {
 public:
  explicit FakeBar(Log* log) : log_(log) {}
  FakeItem* Add(const char* name, FakeItem* parent = nullptr) {
    if (parent) {
      items_.push_back(std::make_unique<FakeItem>(U16(name), parent, this, log_));
      FakeItem* it = items_.back().get();
      size_t n = parent->Count();
      parent->Append(it);
      if (parent->selected()) parent->height = parent->ComputedHeight();
      it->y = SubItemTop(n);
      it->height = kSubItemHeight;
      return it;
    }
    int y = NextTopItemY();
    items_.push_back(std::make_unique<FakeItem>(U16(name), nullptr, this, log_));
    FakeItem* it = items_.back().get();
    it->y = y;
    Append(it);
    return it;
  }

 protected:
  void MoveItem(LeftMenuNode* item, int y, int, int h) override {
    static_cast<FakeItem*>(item)->y = y;
    static_cast<FakeItem*>(item)->height = h;
  }
  int CurrentHeight(LeftMenuNode* item) override { return static_cast<FakeItem*>(item)->height; }
  void RedrawAll() override { log_->events.push_back(u"relayout"); }
  intptr_t SendToOwner(unsigned msg, LeftMenuNode*, const char16_t* name) override {
    if (msg == kWmMenuItemSelected) log_->to_main.push_back(name);
    return 0;
  }

 private:
  Log* log_;
  std::vector<std::unique_ptr<FakeItem>> items_;
};

intptr_t FakeItem::SendToParent(unsigned msg, LeftMenuNode* item, const char16_t* name) {
  if (parent_) {
    if (msg == kWmMenuItemSelected) return parent_->OnSubItemSelected(item);
    return 0;
  }
  if (msg == kWmMenuItemSelected) return bar_->OnItemSelected(item);
  if (msg == kWmMenuBarRelayout) bar_->Relayout();
  return 0;
}

class LeftMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pellowen = bar.Add("Pellowen");
    tools = bar.Add("Tools");
    persisted = bar.Add("Persisted Devices", tools);
    options = bar.Add("Options", tools);
    help = bar.Add("Help");
    about = bar.Add("About", help);
  }
  Log log;
  FakeBar bar{&log};
  FakeItem *pellowen, *tools, *persisted, *options, *help, *about;
};

TEST(LeftMenuHeights, ByLevelSelectionAndSubItems) {
  EXPECT_EQ(TopItemHeight(false, 2), 49);
  EXPECT_EQ(TopItemHeight(true, 0), 49);
  EXPECT_EQ(TopItemHeight(true, 2), 145);
  EXPECT_EQ(SubItemTop(0), 61);
  EXPECT_EQ(SubItemTop(1), 97);
}

TEST_F(LeftMenuTest, NewItemsStackBelowTheLastOne) {
  EXPECT_EQ(pellowen->y, 0);
  EXPECT_EQ(tools->y, 51);
  EXPECT_EQ(help->y, 102);
  EXPECT_EQ(options->y, 97);
  // A second bar in the same process starts at the top again.
  Log other_log;
  FakeBar other(&other_log);
  EXPECT_EQ(other.Add("First")->y, 0);
}

TEST_F(LeftMenuTest, SelectingATopItemExpandsItAndCollapsesTheOther) {
  pellowen->SetSelected(true);
  EXPECT_EQ(log.to_main, (std::vector<std::u16string>{u"Pellowen"}));
  tools->SetSelected(true);
  EXPECT_FALSE(pellowen->selected());
  EXPECT_EQ(tools->height, 145);
  EXPECT_EQ(tools->y, 49);
  EXPECT_EQ(help->y, 49 + 145);
  EXPECT_EQ(log.to_main.back(), u"Tools");
  help->SetSelected(true);
  EXPECT_FALSE(tools->selected());
  EXPECT_EQ(tools->height, 49);
  EXPECT_EQ(help->height, 73 + 36);
  EXPECT_EQ(help->y, 98);
}

TEST_F(LeftMenuTest, SubItemSelectionKeepsTheParentAndDeselectsSiblings) {
  tools->SetSelected(true);
  persisted->SetSelected(true);
  EXPECT_EQ(log.to_main.back(), u"Persisted Devices");
  options->SetSelected(true);
  EXPECT_FALSE(persisted->selected());
  EXPECT_TRUE(options->selected());
  EXPECT_TRUE(tools->selected());
  EXPECT_EQ(log.to_main.back(), u"Options");
  EXPECT_EQ(tools->height, 145);
}

TEST_F(LeftMenuTest, ReselectingAParentReportsItTwiceAndDropsItsSubItem) {
  tools->SetSelected(true);
  options->SetSelected(true);
  pellowen->SetSelected(true);  // collapses Tools; Options stays selected inside it
  EXPECT_TRUE(options->selected());
  log.to_main.clear();
  tools->SetSelected(true);
  EXPECT_FALSE(options->selected());
  EXPECT_FALSE(pellowen->selected());
  EXPECT_EQ(log.to_main, (std::vector<std::u16string>{u"Tools", u"Tools"}));
}

TEST_F(LeftMenuTest, ReselectingTheSelectedItemDoesNothing) {
  pellowen->SetSelected(true);
  log.to_main.clear();
  log.events.clear();
  pellowen->SetSelected(true);
  EXPECT_TRUE(log.to_main.empty());
  EXPECT_TRUE(log.events.empty());
  EXPECT_TRUE(pellowen->selected());
}

TEST(LinkLists, OrderMembershipAndMoves) {
  CLinkParent a, b;
  CLinkNode n1, n2, n3;
  a.Append(&n1);
  a.Append(&n2);
  a.Append(&n2);  // already the tail
  a.Append(&n3);
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(a.First(), &n1);
  EXPECT_EQ(a.Last(), &n3);
  a.Append(&n1);  // moves to the tail
  EXPECT_EQ(a.First(), &n2);
  EXPECT_EQ(a.Last(), &n1);
  EXPECT_EQ(a.Count(), 3u);
  b.Append(&n2);  // taken from a
  EXPECT_FALSE(a.Contains(&n2));
  EXPECT_TRUE(b.Contains(&n2));
  EXPECT_EQ(a.First(), &n3);
  a.Remove(&n2);  // not a's: no effect
  EXPECT_EQ(b.Count(), 1u);
  a.RemoveAll();
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.First(), nullptr);
  EXPECT_EQ(n3.next(), nullptr);
}

TEST(LinkLists, ADestroyedNodeLeavesItsList) {
  CLinkParent list;
  CLinkNode keep;
  {
    CLinkNode gone;
    list.Append(&gone);
    list.Append(&keep);
  }
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.First(), &keep);
  EXPECT_EQ(keep.prev(), nullptr);
}

TEST(LeftMenuNames, LongNamesAreCut) {
  Log log;
  FakeBar bar(&log);
  FakeItem* it = bar.Add("A name that is much longer than thirty-one characters");
  EXPECT_EQ(it->name().size(), kMenuNameMaxChars);
}

}  // namespace
}  // namespace tw::ui
