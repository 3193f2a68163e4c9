// The console front end: one entry point over a machine, so the program's
// main() stays thin and tests run commands in-process.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "console/secret_input.h"
#include "platform/machine.h"
#include "platform/system_services.h"

namespace tw::console {

struct Context {
  Machine& machine;
  std::ostream& out;
  std::ostream& err;
  bool assume_yes = false;  // --yes: questions are answered Yes
  // The machine's ports, with diagnostics and messages going to out/err.
  Platform platform;
};

using CommandFn = int (*)(Context& ctx, const std::vector<std::string>& args);

struct Command {
  const char* name;
  const char* usage;    // arguments after the name
  const char* summary;  // one line
  CommandFn run;
};

// Every command the program has, in the order --help lists them.
const std::vector<Command>& Commands();

// Runs one command line (without the program name). Exit codes: 0 success,
// 1 the operation failed, 2 bad usage. Secret options given without a value
// are read with `read_secret`.
int Run(Machine& machine, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const SecretReader& read_secret = ReadSecretFromTerminal);

// Diagnostics into one stream (both kinds), e.g. to silence a call.
class StreamDiagnosticsFor final : public Diagnostics {
 public:
  explicit StreamDiagnosticsFor(std::ostream& sink) : sink_(sink) {}
  void WriteErr(std::string_view line) override { sink_ << line << "\n"; }
  void WriteOut(std::string_view line) override { sink_ << line << "\n"; }
  std::string SystemMessage(Status) override { return {}; }

 private:
  std::ostream& sink_;
};

// Words of a command line: positional ones, and --name VALUE or bare --flag
// options (a flag's value is empty). False with *bad on an unknown option.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
};
bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::vector<std::string>& with_value,
                  const std::vector<std::string>& flags, Options* options, std::string* bad);

// Small helpers for commands.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
int UsageError(Context& ctx, const std::string& command, const std::string& message);
bool ParseInt(const std::string& text, long long min, long long max, long long* value);
// HOST[:PORT] -> the host and the port's text ("3260" when there is none).
void SplitHostPort(const std::string& word, std::string* host, std::string* port);
std::string HexCode(uint32_t code);  // "0xC000006A"
// "'NAME' is not a plain WHAT: ..." for a name that would become a path part.
std::string NotAPlainName(const std::string& what, const std::string& name);

}  // namespace tw::console
