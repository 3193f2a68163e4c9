// Secrets left off the command line: `--password` or `--chap-secret` with no
// value, or with "-", is read from the terminal without echo (or from
// standard input when that is not a terminal), so that it never shows in
// the process list.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tw::console {

// Reads one secret; false when none can be read (end of input, no console).
using SecretReader = std::function<bool(const std::string& prompt, std::string* secret)>;

// The terminal without echo, or standard input's next line.
bool ReadSecretFromTerminal(const std::string& prompt, std::string* secret);

// Fills in every secret option of `args` that has no value. False, with
// the message on err, when one cannot be read.
bool FillSecretOptions(std::vector<std::string>* args, const SecretReader& read, std::ostream& err);

}  // namespace tw::console
