#include "console/secret_input.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "base/secure_zero.h"

#ifdef _WIN32
#include <windows.h>

#include "base/text.h"
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace tw::console {
namespace {

constexpr const char* kSecretOptions[] = {"--password", "--chap-secret"};

bool IsSecretOption(const std::string& word) {
  for (const char* o : kSecretOptions)
    if (word == o) return true;
  return false;
}

void TrimLineEnd(std::string* s) {
  while (!s->empty() && (s->back() == '\n' || s->back() == '\r')) s->pop_back();
}

}  // namespace

#ifdef _WIN32

bool ReadSecretFromTerminal(const std::string& prompt, std::string* secret) {
  secret->clear();
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (::GetConsoleMode(in, &mode)) {
    std::cerr << prompt << std::flush;
    ::SetConsoleMode(in, (mode | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::u16string line;
    wchar_t buffer[256];
    bool ok = true;
    for (;;) {
      DWORD got = 0;
      if (!::ReadConsoleW(in, buffer, 256, &got, nullptr) || got == 0) {
        ok = !line.empty();
        break;
      }
      line.append(reinterpret_cast<const char16_t*>(buffer), got);
      if (line.back() == u'\n') break;
    }
    SecureZero(buffer, sizeof buffer);
    ::SetConsoleMode(in, mode);
    std::cerr << "\n";
    *secret = Utf16ToUtf8(line);
    WipeSecret(line);
    TrimLineEnd(secret);
    return ok;
  }
  // A pipe or a file: its first line, byte by byte so that nothing after
  // it is consumed.
  for (;;) {
    char c = 0;
    DWORD got = 0;
    if (!::ReadFile(in, &c, 1, &got, nullptr) || got == 0) return !secret->empty();
    if (c == '\n') break;
    secret->push_back(c);
  }
  TrimLineEnd(secret);
  return true;
}

#else

bool ReadSecretFromTerminal(const std::string& prompt, std::string* secret) {
  secret->clear();
  termios saved{};
  const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::cerr << prompt << std::flush;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  bool ok = true;
  for (;;) {
    char c = 0;
    ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = !secret->empty();
      break;
    }
    if (c == '\n') break;
    secret->push_back(c);
  }
  if (terminal) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  TrimLineEnd(secret);
  return ok;
}

#endif

bool FillSecretOptions(std::vector<std::string>* args, const SecretReader& read, std::ostream& err) {
  std::vector<std::string>& a = *args;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!IsSecretOption(a[i])) continue;
    // No value: the last word, or another option follows. A secret that
    // starts with "--" is typed at the prompt instead.
    const bool missing = i + 1 == a.size() || a[i + 1].rfind("--", 0) == 0;
    if (!missing && a[i + 1] != "-") {
      ++i;
      continue;
    }
    std::string secret;
    const std::string what = a[i] == "--password" ? "Password" : "CHAP secret";
    if (!read || !read(what + ": ", &secret) || secret.empty()) {
      WipeSecret(secret);
      err << "tarnwick: no " << (a[i] == "--password" ? "password" : "CHAP secret")
          << " was given (" << a[i] << " without a value reads it from the terminal or standard input)\n";
      return false;
    }
    if (missing) a.insert(a.begin() + static_cast<long>(i) + 1, std::string());
    a[i + 1].swap(secret);
    ++i;
  }
  return true;
}

}  // namespace tw::console
