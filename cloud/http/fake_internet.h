// An internet port for tests: records every call, answers from a script,
// and fails the call it is told to fail.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/internet.h"

namespace tw::testing {

class FakeInternet final : public Internet {
 public:
  // The answer to the request.
  uint32_t status = 200;
  std::string status_text = "OK";
  std::vector<std::pair<std::string, std::string>> headers;
  std::vector<std::string> body_pieces;  // one per Read
  // The call to fail ("Open", "Connect", "SetOption", "OpenRequest",
  // "AddHeaders", "SendRequestEx", "Write", "EndRequest", "QueryInfo",
  // "Read"), with this error; fail_after skips that many calls first.
  std::string fail_call;
  uint32_t fail_error = 12029;
  int fail_after = 0;
  // When set, Write takes at most this many bytes per call.
  uint32_t max_write = 0;

  // What the calls were given.
  std::vector<std::string> log;
  std::vector<std::string> writes;
  std::string agent, server, verb, object_name;
  uint16_t port = 0;
  uint32_t request_flags = 0;
  std::vector<std::string> added_headers;
  std::vector<std::pair<uint32_t, std::u16string>> options;
  uint32_t announced = 0;
  std::set<InternetHandle> open;

  std::string Body() const;

  InternetHandle Open(const std::u16string& agent, uint32_t access_type, const std::u16string& proxy,
                      const std::u16string& proxy_bypass, uint32_t flags) override;
  InternetHandle Connect(InternetHandle internet, const std::u16string& server, uint16_t port,
                         const std::u16string& user, const std::u16string& password, uint32_t service,
                         uint32_t flags) override;
  bool SetOptionText(InternetHandle h, uint32_t option, const std::u16string& value) override;
  bool SetOptionNumber(InternetHandle h, uint32_t option, uint32_t value) override;
  InternetHandle OpenRequest(InternetHandle connection, const std::string& verb,
                             const std::string& object_name, const std::string& version,
                             const std::string& referrer, const std::vector<std::string>& accept_types,
                             uint32_t flags) override;
  bool AddRequestHeaders(InternetHandle request, const std::string& headers, uint32_t modifiers) override;
  bool SendRequestEx(InternetHandle request, uint32_t total_length) override;
  bool Write(InternetHandle request, const uint8_t* data, uint32_t length, uint32_t* written) override;
  bool EndRequest(InternetHandle request) override;
  bool QueryInfo(InternetHandle request, uint32_t info_level, void* buffer, uint32_t* buffer_length,
                 uint32_t* index) override;
  bool Read(InternetHandle request, uint8_t* buffer, uint32_t length, uint32_t* read) override;
  bool Close(InternetHandle h) override;
  uint32_t LastError() override { return last_error_; }

 private:
  bool Failing(const char* call);
  InternetHandle NewHandle();
  bool Known(InternetHandle h);
  uint32_t last_error_ = 0;
  InternetHandle next_ = 0x100;
  size_t next_piece_ = 0;
};

}  // namespace tw::testing
