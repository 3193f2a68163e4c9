#include "cloud/http/fake_internet.h"

#include <cstring>

#include "base/text.h"

namespace tw::testing {

std::string FakeInternet::Body() const {
  std::string body;
  for (const std::string& w : writes) body += w;
  return body;
}

bool FakeInternet::Failing(const char* call) {
  log.push_back(call);
  if (fail_call != call) return false;
  if (fail_after-- > 0) return false;
  last_error_ = fail_error;
  return true;
}

InternetHandle FakeInternet::NewHandle() {
  InternetHandle h = next_++;
  open.insert(h);
  return h;
}

bool FakeInternet::Known(InternetHandle h) {
  if (open.count(h)) return true;
  last_error_ = kErrInternetInvalidHandle;
  return false;
}

InternetHandle FakeInternet::Open(const std::u16string& a, uint32_t, const std::u16string&,
                                  const std::u16string&, uint32_t) {
  if (Failing("Open")) return 0;
  agent = Utf16ToUtf8(a);
  return NewHandle();
}

InternetHandle FakeInternet::Connect(InternetHandle internet, const std::u16string& s, uint16_t p,
                                     const std::u16string&, const std::u16string&, uint32_t, uint32_t) {
  if (Failing("Connect") || !Known(internet)) return 0;
  server = Utf16ToUtf8(s);
  port = p;
  return NewHandle();
}

bool FakeInternet::SetOptionText(InternetHandle h, uint32_t option, const std::u16string& value) {
  if (Failing("SetOption") || !Known(h)) return false;
  options.push_back({option, value});
  return true;
}

bool FakeInternet::SetOptionNumber(InternetHandle h, uint32_t option, uint32_t value) {
  if (Failing("SetOption") || !Known(h)) return false;
  options.push_back({option, U16(std::to_string(value))});
  return true;
}

InternetHandle FakeInternet::OpenRequest(InternetHandle connection, const std::string& v,
                                         const std::string& object, const std::string&,
                                         const std::string&, const std::vector<std::string>&,
                                         uint32_t flags) {
  if (Failing("OpenRequest") || !Known(connection)) return 0;
  verb = v;
  object_name = object;
  request_flags = flags;
  return NewHandle();
}

bool FakeInternet::AddRequestHeaders(InternetHandle request, const std::string& h, uint32_t) {
  if (Failing("AddHeaders") || !Known(request)) return false;
  added_headers.push_back(h);
  return true;
}

bool FakeInternet::SendRequestEx(InternetHandle request, uint32_t total_length) {
  if (Failing("SendRequestEx") || !Known(request)) return false;
  announced = total_length;
  return true;
}

bool FakeInternet::Write(InternetHandle request, const uint8_t* data, uint32_t length,
                         uint32_t* written) {
  if (Failing("Write") || !Known(request)) return false;
  uint32_t n = max_write && length > max_write ? max_write : length;
  writes.emplace_back(reinterpret_cast<const char*>(data), n);
  *written = n;
  return true;
}

bool FakeInternet::EndRequest(InternetHandle request) {
  return !Failing("EndRequest") && Known(request);
}

bool FakeInternet::QueryInfo(InternetHandle request, uint32_t info_level, void* buffer,
                             uint32_t* buffer_length, uint32_t* index) {
  if (Failing("QueryInfo") || !Known(request)) return false;
  uint32_t level = info_level & 0xFFFF;
  std::string value;
  bool found = true;
  if (level == kHttpQueryStatusCode) {
    value = std::to_string(status);
  } else if (level == kHttpQueryStatusText) {
    value = status_text;
  } else {
    std::string name = level == kHttpQueryContentLength ? "Content-Length"
                       : level == kHttpQueryCustom
                           ? Utf16ToUtf8(static_cast<const char16_t*>(buffer))
                           : "";
    uint32_t want = index ? *index : 0;
    found = false;
    for (const auto& h : headers) {
      if (!EqualsNoCase(U16(h.first), U16(name))) continue;
      if (want-- == 0) {
        value = h.second;
        found = true;
        break;
      }
    }
    if (found && index) ++*index;
  }
  if (!found) {
    last_error_ = kErrHttpHeaderNotFound;
    return false;
  }
  if (info_level & kHttpQueryFlagNumber) {
    uint32_t n = static_cast<uint32_t>(std::stoul(value));
    std::memcpy(buffer, &n, 4);
    *buffer_length = 4;
    return true;
  }
  std::u16string wide = U16(value);
  uint32_t need = static_cast<uint32_t>((wide.size() + 1) * 2);
  if (!buffer || *buffer_length < need) {
    *buffer_length = need;
    last_error_ = kErrInternetInsufficientBuffer;
    return false;
  }
  std::memcpy(buffer, wide.c_str(), need);
  *buffer_length = need - 2;
  return true;
}

bool FakeInternet::Read(InternetHandle request, uint8_t* buffer, uint32_t length, uint32_t* read) {
  if (Failing("Read") || !Known(request)) return false;
  *read = 0;
  if (next_piece_ >= body_pieces.size()) return true;
  std::string& piece = body_pieces[next_piece_];
  uint32_t n = piece.size() < length ? static_cast<uint32_t>(piece.size()) : length;
  std::memcpy(buffer, piece.data(), n);
  piece.erase(0, n);
  if (piece.empty()) ++next_piece_;
  *read = n;
  return true;
}

bool FakeInternet::Close(InternetHandle h) {
  log.push_back("Close");
  if (!Known(h)) return false;
  open.erase(h);
  return true;
}

}  // namespace tw::testing
