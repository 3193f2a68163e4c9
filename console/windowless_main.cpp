// tarnwickw.exe: the console's commands without a console window, for the
// shell's verbs ("Mount" on an image file). What the command says goes into
// one message box with the product's title, in the user's language; with a
// leading --quiet (the installer's actions, run where nobody sees a desktop)
// it shows nothing and only the exit code tells.
#include <sstream>
#include <string>
#include <vector>

#include "base/product.h"
#include "base/text.h"
#include "console/console.h"
#include "framework/win.h"
#include "platform/machine.h"
#include "ui/win/localize.h"

namespace {

// The command's lines in the user's language, one by one.
std::wstring Localized(const std::string& text) {
  std::wstring out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!out.empty()) out += L"\n";
    out += tw::ui::Tr(tw::Utf8ToUtf16(line));
  }
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tw::Utf16ToUtf8(tw::fw::FromWide(argv[i])));
  ::LocalFree(argv);
  bool quiet = !args.empty() && args[0] == "--quiet";
  if (quiet) args.erase(args.begin());
  tw::ui::LoadTranslations();
  std::ostringstream out, err;
  int code = tw::console::kExitFailed;
  if (auto machine = tw::NewMachine(nullptr)) code = tw::console::Run(*machine, args, out, err);
  else err << "tarnwick: the machine cannot be reached\n";
  std::string text = code == tw::console::kExitOk ? out.str() : err.str().empty() ? out.str() : err.str();
  if (quiet || (code == tw::console::kExitOk && text.empty())) return code;  // nothing to tell
  ::MessageBoxW(nullptr, Localized(text).c_str(), tw::ui::Tr(tw::kAppTitle).c_str(),
                code == tw::console::kExitOk ? MB_ICONINFORMATION : MB_ICONERROR);
  return code;
}
