// The target page's model: the portal to look at, one checked target of it,
// and whether a CHAP logon follows. The window only binds controls to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "iscsi/discovery.h"
#include "iscsi/portals.h"
#include "iscsi/wizard_data.h"
#include "iscsi/wizard_pages.h"
#include "platform/prompter.h"
#include "platform/registry.h"

namespace tw {

constexpr char16_t kMsgNoTarget[] = u"No target selected.";

// What Next on the target page leads to; the wizard turns it into a page.
enum class TargetPageOutcome {
  kStay,         // no target is checked (the user was told)
  kChap,         // the CHAP page
  kVirtualFolder,  // a virtual folder without a CHAP logon: the folder page
};

// The target page (CChooseDevicesPage, wizard page 1).
class TargetPageModel {
 public:
  struct Row {
    std::u16string name;  // column 0
    std::u16string type;  // column 1: "Private" or "Shared"
    bool isPrivate = false;
    IscsiPortal firstPortal;  // the first of the target's portals
    bool checked = false;
  };

  TargetPageModel(Registry& registry, IscsiDiscovery& discovery, Prompter& prompter,
                  WizardData& data)
      : registry_(registry), discovery_(discovery), prompter_(prompter), data_(data) {}

  // On becoming active: chooses the SendTargets value and the filter by the
  // wizard type (17 "Shared", 18 "Private", other "All"), discovers, fills
  // the combo box (first entry selected) and the target list.
  WizardButtons OnSetActive();
  std::string_view sendTargetsValue() const { return value_; }

  const std::vector<IscsiPortal>& comboPortals() const { return combo_; }
  std::u16string ComboText(size_t index) const;
  int comboSelection() const { return selection_; }
  void SelectPortal(int index);  // refills the target list

  const std::vector<Row>& rows() const { return rows_; }
  // Checking a row unchecks every other one.
  void SetChecked(size_t row, bool checked);

  bool needChap() const { return need_chap_; }
  WizardButtons SetNeedChap(bool checked);

  // "&Manage Path" closed: on OK the combo and the list are refilled from the
  // lists as they are now (no new discovery).
  void OnManagePathClosed(bool ok);

  // Next: where the wizard goes; it stays after "No target selected.".
  TargetPageOutcome OnNext();
  // Finish: true when the wizard may end.
  bool OnFinish();

 private:
  void FillCombo();
  void FillTargets();
  const Row* CheckedRow() const;
  void Store(const Row& row, uint32_t type);

  Registry& registry_;
  IscsiDiscovery& discovery_;
  Prompter& prompter_;
  WizardData& data_;
  std::string value_ = "All";
  uint32_t entry_type_ = 0;   // the type the wizard came to this page with
  uint32_t view_type_ = 0;    // the type at the last activation: value and filter
  uint32_t written_type_ = 0;  // the type this page last stored
  bool stored_ = false;
  bool need_chap_ = true;  // "Need CHAP Logon" is checked when the wizard starts
  std::vector<IscsiPortal> combo_;
  int selection_ = -1;
  std::vector<Row> rows_;
};

}  // namespace tw
