// Portals and target choice: the portal registry under the
// adapter driver's service key, the portal manager's model, the target
// page's model and the CHAP page's model. The windows only
// bind controls to these; every rule lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"
#include "base/status.h"
#include "iscsi/discovery.h"
#include "iscsi/wizard_data.h"
#include "platform/prompter.h"
#include "platform/registry.h"

namespace tw {

// HKEY_LOCAL_MACHINE\ this key: one subkey "Portal%d" per portal.
constexpr char16_t kVScsiPrtServiceKey[] = u"SYSTEM\\CurrentControlSet\\Services\\VScsiPrt";
constexpr char16_t kPortalsKey[] = u"SYSTEM\\CurrentControlSet\\Services\\VScsiPrt\\Portals";
constexpr int kMaxRegisteredPortals = 128;

// A registered portal as the registry holds it (texts of at most 127
// characters).
struct RegisteredPortal {
  std::u16string address;
  std::u16string port;
};

// Portal0, Portal1 ... up to the first missing key or unreadable value, at
// most 128.
std::vector<RegisteredPortal> ReadRegisteredPortals(Registry& registry);

// Reads the registered portals and runs DiscoverHost for each one whose
// two texts are non-empty.
void LoadPortalsAndDiscover(Registry& registry, IscsiDiscovery& discovery, std::string_view value);

// Deletes the Portals key with its subkeys, then writes one subkey per
// entry of the program-wide portal list, numbered from 0. 0, or the error
// of the last write that failed.
Status SavePortals(Registry& registry, const IscsiLists& lists);

// The message box texts.
constexpr char16_t kMsgEnterPort[] = u"Enter an integer between 1 and 65535.";
constexpr char16_t kMsgEnterHost[] = u"Please enter host name or IP address!";
constexpr char16_t kMsgHostExists[] = u"Host already exists!";
constexpr char16_t kMsgCannotConnect[] = u"Can't connect to the host %s, error code: %x.";
constexpr char16_t kMsgNoTarget[] = u"No target selected.";
// The caption the framework's message boxes carry (the program's name).
constexpr const char16_t* kMessageCaption = kAppTitle;
constexpr unsigned kMessageStyle = kMbOk | kMbIconWarning;

// "Can't connect to the host %s, error code: %x." filled in.
std::u16string CannotConnectMessage(std::u16string_view host, int error);

// The Add Host dialog (CAddTarget): port preset to 3260; OK checks the port
// (an integer from 1 to 65535) and then the host text (not empty). Empty
// when accepted (*port set), otherwise the message to show; the dialog
// then stays open.
constexpr uint16_t kDefaultIscsiPort = 3260;
std::u16string CheckAddHost(std::u16string_view host, std::u16string_view portText, uint16_t* port);

// The portal manager (CPortalManagerDlg): one row per entry of the
// program-wide portal list.
struct PortalRow {
  std::u16string host;  // column 0, the dotted address
  std::u16string port;  // column 1, decimal
  IscsiPortal portal;   // the entry the row carries
};

class PortalManagerModel {
 public:
  PortalManagerModel(Registry& registry, IscsiDiscovery& discovery, Prompter& prompter)
      : registry_(registry), discovery_(discovery), prompter_(prompter) {}

  // On opening: LoadPortalsAndDiscover with no value, then Refill.
  void Open();
  void Refill();
  const std::vector<PortalRow>& rows() const { return rows_; }

  // After the Add Host dialog's OK: "Host already exists!" when a row has
  // the host text (without regard to case) and the port; otherwise
  // DiscoverHost, and on 0 Refill and SavePortals, else the "Can't
  // connect" message. Returns the DiscoverHost result, or kErrAlreadyExists
  // (183) for a listed portal, which is not contacted.
  int Add(std::u16string_view host, uint16_t port);

  // Removes the portals of the given rows from the program-wide list, saving
  // the registry after each, then refills. Targets found through them stay.
  void Remove(const std::vector<size_t>& selectedRows);

 private:
  Registry& registry_;
  IscsiDiscovery& discovery_;
  Prompter& prompter_;
  std::vector<PortalRow> rows_;
};

// Buttons a wizard page offers.
enum class WizardButtons { kBackNext, kBackFinish };

// Wizard page indexes.
constexpr int kPageSelectDevice = 0;
constexpr int kPageChooseTarget = 1;
constexpr int kPageChap = 3;
constexpr int kPageVirtualFolder = 4;
// A page move that keeps the current page (the framework's -1).
constexpr int kPageStay = -1;

// Device types of the iSCSI mounts.
constexpr uint32_t kTypeIscsiDisk = 16;
constexpr uint32_t kTypeSharedIscsiDisk = 17;
constexpr uint32_t kTypePrivateIscsiDisk = 18;
constexpr uint32_t kTypeVirtualFolder = 19;

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

  // Next: the page to go to, or kPageStay after "No target selected.".
  int OnNext();
  // Finish: true when the wizard may end.
  bool OnFinish();
  int OnBack() const { return kPageSelectDevice; }

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

// The CHAP page (CSetChapPage, wizard page 3).
class ChapPageModel {
 public:
  static constexpr size_t kMaxChars = 255;
  explicit ChapPageModel(WizardData& data) : data_(data) {}
  // Back and Next for a virtual folder (19), else Back and Finish.
  WizardButtons OnSetActive() const;
  // Copies user name and secret (each cut to 255 characters) into WizardData.
  void OnFinish(std::u16string_view user, std::u16string_view secret);
  // Next (virtual-folder flow) goes on to the next page.
  int OnNext() const { return kPageVirtualFolder; }

 private:
  WizardData& data_;
};

}  // namespace tw
