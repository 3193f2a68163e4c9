// The NFS options page: the preferred server list with its reordering, and
// starting with Windows. Nothing reaches the registry before Apply.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace tw {

class NfsOptionPageModel {
 public:
  struct Row {
    std::u16string server;
    std::u16string port;  // as shown ("%d")
    bool operator==(const Row& o) const { return server == o.server && port == o.port; }
  };
  struct Buttons {
    bool top = false, up = false, down = false, bottom = false, del = false, apply = false;
  };

  explicit NfsOptionPageModel(const Platform& platform) : p_(platform) {}

  // When the page opens: the list, and the check box from the Run value.
  void Open();
  // Refills the list from the registry (each time the page is shown).
  void Reload();
  // An item-changed notification naming `row`: enables the list buttons.
  void OnItemChanged(int row);
  void Select(int row);  // the user selects a row (sets the mark too)
  void Top();
  void Up();
  void Down();
  void Bottom();
  void Delete();
  void SetStartWithWindows(bool on);
  // Writes the list and the Run value; false (page stays modified) when the
  // Run key cannot be opened or written.
  bool Apply();

  const std::vector<Row>& rows() const { return rows_; }
  int mark() const { return mark_; }
  int selected() const { return selected_; }
  bool modified() const { return modified_; }
  bool start_with_windows() const { return start_; }
  const Buttons& buttons() const { return buttons_; }
  // "\"<program path>\" -a"
  std::u16string StartCommand() const;

 private:
  void Exchange(int a, int b);
  void Modified();
  const Platform& p_;
  std::vector<Row> rows_;
  int mark_ = -1, selected_ = -1;
  bool modified_ = false, start_ = false;
  Buttons buttons_;
};

}  // namespace tw
