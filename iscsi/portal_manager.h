// The portal manager's model and its Add Host dialog's check. The windows
// only bind controls to these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "iscsi/discovery.h"
#include "iscsi/portals.h"
#include "platform/prompter.h"
#include "platform/registry.h"

namespace tw {

// The message box texts of the portal manager and its Add Host dialog.
constexpr char16_t kMsgEnterPort[] = u"Enter an integer between 1 and 65535.";
constexpr char16_t kMsgEnterHost[] = u"Please enter host name or IP address!";
constexpr char16_t kMsgHostExists[] = u"Host already exists!";
constexpr char16_t kMsgCannotConnect[] = u"Can't connect to the host %s, error code: %x.";

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
  // DiscoverHost, and on 0 Refill and Save, else the "Can't connect"
  // message. Returns the DiscoverHost result, or kErrAlreadyExists (183)
  // for a listed portal, which is not contacted.
  int Add(std::u16string_view host, uint16_t port);

  // Removes the portals of the given rows from the program-wide list, saving
  // the registry after each, then refills. Targets found through them stay.
  void Remove(const std::vector<size_t>& selectedRows);

 private:
  // Writes the program-wide portal list, keeping what other programs (a
  // second manager, the console) changed in the registry since this model
  // last read or wrote it: portals they registered are kept, portals they
  // removed stay removed (here too) unless this model has just added them
  // again. Portals this model dropped (removed here, or not reached when
  // read) are left out.
  void Save(const std::vector<RegisteredPortal>& added);

 private:
  Registry& registry_;
  IscsiDiscovery& discovery_;
  Prompter& prompter_;
  std::vector<PortalRow> rows_;
  std::vector<RegisteredPortal> seen_;     // the registry as last read or written
  std::vector<RegisteredPortal> dropped_;  // to leave out at the next save
};

}  // namespace tw
