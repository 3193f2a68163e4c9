// The left menu's list classes and its selection and layout rules. The
// window classes derive from these and supply the window effects (redraw,
// resize, a synchronous send to the parent window); the rules themselves,
// including the order of the selection notices, live here and are tested
// without a screen.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace tw::ui {

constexpr unsigned kWmMenuItemSelected = 0x497;
constexpr unsigned kWmMenuBarRelayout = 0x498;

constexpr int kMenuBarWidth = 180;
constexpr int kTopItemHeight = 49;
constexpr int kTopItemCreateHeight = 51;
constexpr int kSubItemHeight = 36;
constexpr int kSubItemFirstTop = 61;
constexpr int kExpandedBaseHeight = 73;
constexpr size_t kMenuNameMaxChars = 31;

int TopItemHeight(bool selected, size_t sub_items);
int SubItemTop(size_t index);

class CLinkParent;

// A link in one parent's list.
class CLinkNode {
 public:
  // A node destroyed while still linked leaves its list first, so the
  // list never walks a dead node.
  virtual ~CLinkNode();
  CLinkNode* next() const { return next_; }
  CLinkNode* prev() const { return prev_; }

 private:
  friend class CLinkParent;
  CLinkNode* next_ = nullptr;
  CLinkNode* prev_ = nullptr;
  CLinkParent* owner_ = nullptr;
};

// An ordered list of children; every operation takes the list's lock.
// The list does not own its nodes.
class CLinkParent {
 public:
  virtual ~CLinkParent();
  // Appends at the tail; a node that is already the tail stays where it is,
  // and a node in another place (or list) is moved to the tail.
  void Append(CLinkNode* node);
  void Remove(CLinkNode* node);
  CLinkNode* First() const;
  CLinkNode* Last() const;
  void RemoveAll();
  bool Contains(const CLinkNode* node) const;
  size_t Count() const;

 private:
  void Unlink(CLinkNode* node);
  mutable std::recursive_mutex lock_;
  CLinkNode* head_ = nullptr;
  CLinkNode* tail_ = nullptr;
  size_t count_ = 0;
};

// One item of the menu; `parent_item` is null for a top-level item, whose
// parent window is the bar.
class LeftMenuNode : public CLinkNode, public CLinkParent {
 public:
  explicit LeftMenuNode(std::u16string name, LeftMenuNode* parent_item = nullptr);

  const std::u16string& name() const { return name_; }
  const char16_t* name_cstr() const { return name_.c_str(); }
  LeftMenuNode* parent_item() const { return parent_item_; }
  bool selected() const { return selected_; }
  bool hover() const { return hover_; }
  void set_hover(bool h) { hover_ = h; }
  bool HasSubItems() const { return Count() > 0; }
  // Height by the item's level, selection and sub-item count.
  int ComputedHeight() const;

  void SetSelected(bool flag);
  // An item's answer to a selection notice from one of its sub-items.
  intptr_t OnSubItemSelected(LeftMenuNode* sender);

 protected:
  virtual void RedrawNow() = 0;
  virtual void ResizeTo(int height) = 0;
  // Synchronous send to the parent window (the parent item or the bar).
  virtual intptr_t SendToParent(unsigned msg, LeftMenuNode* item, const char16_t* name) = 0;

 private:
  std::u16string name_;
  LeftMenuNode* parent_item_;
  bool selected_ = false;
  bool hover_ = false;
};

class LeftMenuBarRules : public CLinkParent {
 public:
  // Top of the next top-level item. Kept per bar: two bars in one process
  // must not share a running offset.
  int NextTopItemY();
  // The bar's answer to a selection notice.
  intptr_t OnItemSelected(LeftMenuNode* sender);
  void Relayout();

 protected:
  virtual void MoveItem(LeftMenuNode* item, int y, int width, int height) = 0;
  virtual int CurrentHeight(LeftMenuNode* item) = 0;
  virtual void RedrawAll() = 0;
  virtual intptr_t SendToOwner(unsigned msg, LeftMenuNode* item, const char16_t* name) = 0;

 private:
  int running_offset_ = 0;
};

}  // namespace tw::ui
