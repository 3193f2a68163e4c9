// Diagnostic lines on the standard streams; the system's message texts come
// from the derived class.
#pragma once

#include <cstdio>

#include "platform/system_services.h"

namespace tw {

class StdioDiagnostics : public Diagnostics {
 public:
  void WriteErr(std::string_view line) override { Write(stderr, line); }
  void WriteOut(std::string_view line) override { Write(stdout, line); }

 private:
  static void Write(std::FILE* f, std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
  }
};

}  // namespace tw
