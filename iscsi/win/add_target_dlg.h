// CAddTarget, the "Add Host" dialog: a host text and a port (3260 at first).
#pragma once

#include <string>

#include "framework/dialog.h"
#include "platform/prompter.h"

namespace tw::ui {

class CAddTarget : public fw::CDialog {
 public:
  // Its refusals ("Please enter host name or IP address!", the port range)
  // go to `prompter`.
  explicit CAddTarget(Prompter& prompter);
  const std::u16string& host() const { return host_; }
  uint16_t port() const { return port_; }

  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  Prompter& prompter_;
  std::u16string host_;
  uint16_t port_ = 0;
};

}  // namespace tw::ui
