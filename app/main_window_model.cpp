#include "app/main_window_model.h"

#include "base/text.h"
#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "platform/registry.h"

namespace tw {

uint32_t ReadShowPages(const Platform& p) {
  ScopedRegKey key(*p.registry);
  uint32_t mask = 0;
  if (p.registry->OpenKey(kHkeyLocalMachine, kClientKey, key.out()) != kOk) return kDefaultShowPages;
  if (p.registry->QueryDword(key.get(), u"ShowPages", &mask) != kOk) return kDefaultShowPages;
  return mask;
}

bool IsHiddenStart(const std::vector<std::u16string>& args) {
  return args.size() == 1 && EqualsNoCase(args[0], u"-a");
}

std::vector<LeftMenuEntry> LeftMenuPlan(uint32_t mask) {
  std::vector<LeftMenuEntry> out;
  if (mask & 0x100) out.push_back({u"Pellowen", u"CLOUD.PNG", u"", true});
  if (mask & 0x200) {
    out.push_back({u"Tools", u"TOOLS.PNG", u"", false});
    if (mask & 0x400) out.push_back({u"Persisted Devices", u"", u"Tools", false});
    if (mask & 0x800) out.push_back({u"Options", u"", u"Tools", false});
  }
  out.push_back({u"Help", u"HELP.PNG", u"", false});
  out.push_back({u"About", u"", u"Help", false});
  return out;
}

PageChoice PageForName(const std::u16string& name) {
  if (EqualsNoCase(name, u"About")) return {MainPage::kAbout, 0};
  if (EqualsNoCase(name, u"Options")) return {MainPage::kOptions, 0};
  return {MainPage::kDevices, CategoryForMenuText(name)};
}

std::u16string HelpFilePath(const std::u16string& program_path) {
  size_t cut = program_path.rfind(u'\\');
  std::u16string folder = cut == std::u16string::npos ? std::u16string() : program_path.substr(0, cut);
  return folder + u"\\Tarnwick.chm";
}

}  // namespace tw
