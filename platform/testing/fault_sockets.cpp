#include "platform/testing/fault_sockets.h"

namespace tw::testing {
namespace {
// The error of the last call this wrapper failed on the calling thread, 0
// when the last failure came from the wrapped port.
thread_local int t_cut_error = 0;
}  // namespace

int SelectRecorder::Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) {
  Call call{*sets, timeout_ms, 0, {}};
  call.result = inner_.Select(s, sets, timeout_ms);
  call.got = *sets;
  calls.push_back(call);
  return call.result;
}

void CuttingSockets::BeforeCall() { t_cut_error = 0; }

int CuttingSockets::Allowance(SocketHandle s, Direction direction, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cut_[s]) return -1;
  if (direction != direction_) return length;
  size_t& moved = moved_[s];
  if (moved >= limit_) {
    cut_[s] = any_cut_ = true;
    return -1;
  }
  const size_t left = limit_ - moved;
  return length < 0 || static_cast<size_t>(length) <= left ? length : static_cast<int>(left);
}

int CuttingSockets::Send(SocketHandle s, const uint8_t* data, int length) {
  t_cut_error = 0;
  const int allowed = Allowance(s, kSend, length);
  if (allowed < 0) return t_cut_error = kWsaEConnReset, kSocketError;
  const int n = inner_.Send(s, data, allowed);
  if (n > 0 && direction_ == kSend) {
    std::lock_guard<std::mutex> lock(mutex_);
    moved_[s] += static_cast<size_t>(n);
    total_ += static_cast<size_t>(n);
  }
  return n;
}

int CuttingSockets::Recv(SocketHandle s, uint8_t* data, int length) {
  t_cut_error = 0;
  const int allowed = Allowance(s, kReceive, length);
  if (allowed < 0) return t_cut_error = kWsaEConnReset, kSocketError;
  const int n = inner_.Recv(s, data, allowed);
  if (n > 0 && direction_ == kReceive) {
    std::lock_guard<std::mutex> lock(mutex_);
    moved_[s] += static_cast<size_t>(n);
    total_ += static_cast<size_t>(n);
  }
  return n;
}

int CuttingSockets::Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) {
  t_cut_error = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool limit_reached = direction_ == kReceive && moved_[s] >= limit_;
    if (cut_[s] || (limit_reached && sets->read)) {
      // A dropped connection is readable at once (the read then fails).
      SelectSets got;
      got.read = sets->read;
      got.except = sets->except;
      *sets = got;
      return int{got.read} + int{got.except};
    }
  }
  const int n = inner_.Select(s, sets, timeout_ms);
  return n;
}

int CuttingSockets::CloseSocket(SocketHandle s) {
  t_cut_error = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    moved_.erase(s);
    cut_.erase(s);
  }
  return inner_.CloseSocket(s);
}

int CuttingSockets::LastError() { return t_cut_error ? t_cut_error : inner_.LastError(); }

size_t CuttingSockets::total() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return total_;
}

bool CuttingSockets::cut() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return any_cut_;
}

}  // namespace tw::testing
