#include "ui/layout/left_menu.h"

namespace tw::ui {

int TopItemHeight(bool selected, size_t sub_items) {
  if (selected && sub_items >= 1) return kExpandedBaseHeight + kSubItemHeight * static_cast<int>(sub_items);
  return kTopItemHeight;
}

int SubItemTop(size_t index) { return kSubItemFirstTop + kSubItemHeight * static_cast<int>(index); }

CLinkNode::~CLinkNode() {
  if (owner_) owner_->Remove(this);
}

CLinkParent::~CLinkParent() { RemoveAll(); }

void CLinkParent::Unlink(CLinkNode* node) {
  if (node->prev_) node->prev_->next_ = node->next_; else head_ = node->next_;
  if (node->next_) node->next_->prev_ = node->prev_; else tail_ = node->prev_;
  node->next_ = node->prev_ = nullptr;
  node->owner_ = nullptr;
  --count_;
}

void CLinkParent::Append(CLinkNode* node) {
  if (!node) return;
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (node == tail_) return;
  if (node->owner_) {
    if (node->owner_ == this) Unlink(node);
    else node->owner_->Remove(node);
  }
  node->prev_ = tail_;
  node->next_ = nullptr;
  if (tail_) tail_->next_ = node; else head_ = node;
  tail_ = node;
  node->owner_ = this;
  ++count_;
}

void CLinkParent::Remove(CLinkNode* node) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (node && node->owner_ == this) Unlink(node);
}

CLinkNode* CLinkParent::First() const {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return head_;
}

CLinkNode* CLinkParent::Last() const {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return tail_;
}

void CLinkParent::RemoveAll() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  while (head_) Unlink(head_);
}

bool CLinkParent::Contains(const CLinkNode* node) const {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return node && node->owner_ == this;
}

size_t CLinkParent::Count() const {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return count_;
}

LeftMenuNode::LeftMenuNode(std::u16string name, LeftMenuNode* parent_item)
    : name_(std::move(name)), parent_item_(parent_item) {
  if (name_.size() > kMenuNameMaxChars) name_.resize(kMenuNameMaxChars);
}

int LeftMenuNode::ComputedHeight() const {
  if (parent_item_) return kSubItemHeight;
  return TopItemHeight(selected_, Count());
}

void LeftMenuNode::SetSelected(bool flag) {
  if (flag) {
    for (CLinkNode* n = First(); n; n = n->next()) {
      auto* sub = static_cast<LeftMenuNode*>(n);
      if (!sub->selected()) continue;
      sub->SetSelected(false);
      SendToParent(kWmMenuItemSelected, this, name_cstr());
    }
  }
  if (flag == selected_) return;
  selected_ = flag;
  RedrawNow();
  if (HasSubItems()) {
    ResizeTo(ComputedHeight());
    SendToParent(kWmMenuBarRelayout, this, nullptr);
  }
  if (selected_) SendToParent(kWmMenuItemSelected, this, name_cstr());
}

intptr_t LeftMenuNode::OnSubItemSelected(LeftMenuNode* sender) {
  for (CLinkNode* n = First(); n; n = n->next()) {
    auto* sub = static_cast<LeftMenuNode*>(n);
    if (sub == sender || !sub->selected_) continue;
    sub->selected_ = false;
    sub->RedrawNow();
    if (sub->HasSubItems()) {
      sub->ResizeTo(sub->ComputedHeight());
      sub->SendToParent(kWmMenuBarRelayout, sub, nullptr);
    }
  }
  SendToParent(kWmMenuItemSelected, sender, sender ? sender->name_cstr() : nullptr);
  return 0;
}

int LeftMenuBarRules::NextTopItemY() {
  if (auto* last = static_cast<LeftMenuNode*>(Last())) running_offset_ += CurrentHeight(last);
  return running_offset_;
}

intptr_t LeftMenuBarRules::OnItemSelected(LeftMenuNode* sender) {
  if (Contains(sender)) {
    for (CLinkNode* n = First(); n; n = n->next()) {
      auto* item = static_cast<LeftMenuNode*>(n);
      if (item != sender && item->selected()) item->SetSelected(false);
    }
  }
  SendToOwner(kWmMenuItemSelected, sender, sender ? sender->name_cstr() : nullptr);
  return 0;
}

void LeftMenuBarRules::Relayout() {
  int y = 0;
  for (CLinkNode* n = First(); n; n = n->next()) {
    auto* item = static_cast<LeftMenuNode*>(n);
    int h = item->ComputedHeight();
    MoveItem(item, y, kMenuBarWidth, h);
    y += h;
  }
  RedrawAll();
}

}  // namespace tw::ui
