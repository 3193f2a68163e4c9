// What the main window decides without a screen: the hidden start, the left
// menu built from "ShowPages", and which page (and device category) a menu
// text or command shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tw {

// HKLM\SOFTWARE\Velthorn\Pellowen\Client, "ShowPages".
constexpr uint32_t kDefaultShowPages = 0xFFFFCFFFu;
uint32_t ReadShowPages(const Platform& p);

// Exactly one argument equal to "-a", in any case.
bool IsHiddenStart(const std::vector<std::u16string>& args);

struct LeftMenuEntry {
  std::u16string text;     // also the page key
  std::u16string icon;     // PNG resource name, empty for sub-items
  std::u16string parent;   // empty for top-level items
  bool select_when_created = false;
};
// The items in the order they are created, those the mask hides left out.
std::vector<LeftMenuEntry> LeftMenuPlan(uint32_t show_pages);

enum class MainPage { kDevices, kOptions, kAbout };
struct PageChoice {
  MainPage page;
  uint32_t category;  // for the device page
};
PageChoice PageForName(const std::u16string& name);

// Where Help and Homepage go.
std::u16string HelpFilePath(const std::u16string& program_path);
constexpr char16_t kHomepage[] = u"http://www.velthorn.com";
constexpr char16_t kHomepageWithSlash[] = u"http://www.velthorn.com/";

}  // namespace tw
