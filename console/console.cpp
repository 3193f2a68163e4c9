#include "console/console.h"

#include <algorithm>
#include <cstdio>

#include "base/secure_zero.h"

#include "platform/sim/sim_machine.h"
#include "platform/stream_prompter.h"
#include "platform/system_services.h"

namespace tw::console {
namespace {

// Diagnostic lines of the core, on the command's own streams.
class StreamDiagnostics final : public Diagnostics {
 public:
  StreamDiagnostics(std::ostream& out, std::ostream& err, Diagnostics& system) : out_(out), err_(err), system_(system) {}
  void WriteErr(std::string_view line) override { err_ << line << "\n"; }
  void WriteOut(std::string_view line) override { out_ << line << "\n"; }
  std::string SystemMessage(Status code) override { return system_.SystemMessage(code); }

 private:
  std::ostream& out_;
  std::ostream& err_;
  Diagnostics& system_;
};

void PrintHelp(std::ostream& out) {
  out << "Usage: tarnwick [--yes] COMMAND [ARGUMENTS]\n\n"
         "Manages the storage devices of the machine: the virtual SCSI adapter's slots\n"
         "and the virtual folders.\n\nCommands:\n";
  for (const Command& c : Commands()) {
    std::string line = std::string("  ") + c.name + (c.usage[0] ? " " : "") + c.usage;
    out << line << "\n      " << c.summary << "\n";
  }
  out << "\nA --password or --chap-secret given without a value, or as -, is read from the\n"
         "terminal without echo (or from standard input), so it stays out of the process list.\n";
  out << "\nEnvironment:\n"
         "  TARNWICK_SIM_STATE  folder of the simulated machine's state\n"
         "  TARNWICK_MACHINE    'sim' to use the simulated machine on Windows\n";
}

}  // namespace

int UsageError(Context& ctx, const std::string& command, const std::string& message) {
  ctx.err << "tarnwick " << command << ": " << message << "\n";
  for (const Command& c : Commands())
    if (command == c.name) ctx.err << "usage: tarnwick " << c.name << " " << c.usage << "\n";
  return kExitUsage;
}

bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::vector<std::string>& with_value,
                  const std::vector<std::string>& flags, Options* o, std::string* bad) {
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      o->positional.push_back(a);
    } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
      o->values[a] = "";
    } else if (std::find(with_value.begin(), with_value.end(), a) != with_value.end() && i + 1 < args.size()) {
      o->values[a] = args[++i];
    } else {
      *bad = a;
      return false;
    }
  }
  return true;
}

bool ParseInt(const std::string& text, long long min, long long max, long long* value) {
  if (text.empty() || text.size() > 18) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

void SplitHostPort(const std::string& word, std::string* host, std::string* port) {
  size_t colon = word.rfind(':');
  *host = word.substr(0, colon);
  *port = colon == std::string::npos ? "3260" : word.substr(colon + 1);
}

std::string HexCode(uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", code);
  return buf;
}

std::string NotAPlainName(const std::string& what, const std::string& name) {
  return "'" + name + "' is not a plain " + what +
         ": it names a folder, so no \\ or /, no '..', no drive (X:) and no device name (NUL, COM1...)";
}

int Run(Machine& machine, const std::vector<std::string>& all, std::ostream& out, std::ostream& err,
        const SecretReader& read_secret) {
  Context ctx{machine, out, err, false, machine.platform()};
  std::vector<std::string> args;
  for (const std::string& a : all) {
    if (a == "--yes" && args.empty()) ctx.assume_yes = true;
    else args.push_back(a);
  }
  // The words may hold secrets: wiped whatever way the command ends.
  struct WipeWords {
    std::vector<std::string>& words;
    ~WipeWords() {
      for (std::string& w : words) WipeSecret(w);
    }
  } wipe{args};
  if (!FillSecretOptions(&args, read_secret, err)) return kExitUsage;
  StreamDiagnostics diagnostics(out, err, *machine.platform().diagnostics);
  StreamPrompter prompter(err, ctx.assume_yes);
  ctx.platform = machine.platform();
  ctx.platform.diagnostics = &diagnostics;
  ctx.platform.prompter = &prompter;
  if (args.empty()) {
    PrintHelp(err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(out);
    return kExitOk;
  }
  for (const Command& c : Commands()) {
    if (args[0] != c.name) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest)
      if (a == "--help" || a == "-h") {
        out << "usage: tarnwick " << c.name << " " << c.usage << "\n" << c.summary << "\n";
        return kExitOk;
      }
    // A damaged simulated machine is reported once, clearly, instead of
    // showing up as missing devices.
    bool resetting = args[0] == "sim" && !rest.empty() && rest[0] == "reset";
    if (sim::SimMachine* m = machine.simulated(); m && !resetting) {
      sim::MachineState state;
      if (Status st = m->Load(&state); st != kOk) {
        err << "tarnwick: the simulated machine cannot be read (error " << st << "): " << m->last_error()
            << "\n'tarnwick sim reset' starts it afresh.\n";
        return kExitFailed;
      }
    }
    return c.run(ctx, rest);
  }
  err << "tarnwick: unknown command '" << args[0] << "' (see tarnwick --help)\n";
  return kExitUsage;
}

}  // namespace tw::console
