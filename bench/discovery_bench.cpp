// Discovery of a standard target as a user gets it: the product's
// DiscoverHost (the "Shared" and "Private" passes, then "All" since a
// standard target names nothing for the first two: three sessions), against
// the same work with libiscsi in-process (three discovery sessions; its API
// asks for "All" each time). Both sides must find the same targets. Warmed
// up, then interleaved (the order turns each round); prints the medians and
// the 10th-90th percentile spread. Without libiscsi (the Windows build), it
// times our side alone: over Winsock under Wine, the shipped path.
//   discovery_bench HOST:PORT [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench/spread.h"
#include "iscsi/discovery.h"
#include "platform/sockets.h"

#ifdef TW_HAVE_LIBISCSI
#include <iscsi/iscsi.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

using tw::bench::PrintSpread;
using tw::bench::Spread;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

#ifdef TW_HAVE_LIBISCSI
// Connect, log in to a discovery session, SendTargets=All, log out: one of
// the sessions ours makes. The names found go to *names.
bool LibiscsiSession(const std::string& portal, std::set<std::string>* names) {
  iscsi_context* iscsi = iscsi_create_context("iqn.2008-09.com.velthorn:bench");
  if (!iscsi) return false;
  bool ok = iscsi_set_session_type(iscsi, ISCSI_SESSION_DISCOVERY) == 0 &&
            iscsi_set_header_digest(iscsi, ISCSI_HEADER_DIGEST_NONE) == 0 &&
            iscsi_connect_sync(iscsi, portal.c_str()) == 0 && iscsi_login_sync(iscsi) == 0;
  if (ok) {
    iscsi_discovery_address* found = iscsi_discovery_sync(iscsi);
    for (iscsi_discovery_address* a = found; a; a = a->next) names->insert(Lower(a->target_name));
    if (found) iscsi_free_discovery_data(iscsi, found);
    ok = found != nullptr && iscsi_logout_sync(iscsi) == 0;
  }
  iscsi_disconnect(iscsi);
  iscsi_destroy_context(iscsi);
  return ok;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: discovery_bench HOST:PORT [RUNS]\n");
    return 2;
  }
  std::string portal = argv[1];
  int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 50;
  size_t colon = portal.rfind(':');
  std::string host = portal.substr(0, colon);
  int port = colon == std::string::npos ? 3260 : std::atoi(portal.c_str() + colon + 1);
  auto sockets = tw::NewSystemSockets();
  const std::u16string host16 = tw::Utf8ToUtf16(host);

  std::set<std::string> our_names;
  auto ours = [&]() -> bool {
    tw::IscsiLists lists;
    tw::IscsiDiscovery discovery(*sockets, lists);
    if (discovery.DiscoverHost(host16, static_cast<uint16_t>(port), "") != 0) return false;
    our_names.clear();
    for (const tw::IscsiTarget& t : lists.targets()) our_names.insert(Lower(tw::Utf16ToUtf8(t.name)));
    return true;
  };
  struct Side {
    const char* name;
    std::function<bool()> run;
    std::vector<double> ms;
  };
  std::vector<Side> sides;
  sides.push_back({"ours, DiscoverHost (3 sessions)", ours, {}});
#ifdef TW_HAVE_LIBISCSI
  std::set<std::string> library_names;
  sides.push_back({"libiscsi in-process (3 sessions)", [&] {
                     library_names.clear();
                     for (int i = 0; i < 3; ++i)
                       if (!LibiscsiSession(portal, &library_names)) return false;
                     return true;
                   }, {}});
#endif

  for (int warm = 0; warm < 3; ++warm)
    for (Side& s : sides)
      if (!s.run()) {
        std::fprintf(stderr, "discovery_bench: %s: discovery of %s failed\n", s.name, portal.c_str());
        return 1;
      }
  for (int i = 0; i < runs; ++i) {
    for (size_t k = 0; k < sides.size(); ++k) {
      Side& s = sides[(k + static_cast<size_t>(i)) % sides.size()];
      auto start = Clock::now();
      bool ok = s.run();
      s.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      if (!ok) {
        std::fprintf(stderr, "discovery_bench: %s: discovery of %s failed\n", s.name, portal.c_str());
        return 1;
      }
    }
  }
  std::printf("discovery of %s (%zu targets), %d interleaved runs after 3 warm-up (median, 10th-90th percentile)\n",
              portal.c_str(), our_names.size(), runs);
  std::vector<Spread> spreads;
  for (const Side& s : sides) spreads.push_back(PrintSpread(s.name, 34, 3, s.ms));
#ifdef TW_HAVE_LIBISCSI
  if (our_names != library_names) {
    std::fprintf(stderr, "discovery_bench: the two sides found different targets (%zu and %zu)\n", our_names.size(),
                 library_names.size());
    return 1;
  }
  std::printf("  both found the same %zu targets\n", our_names.size());
  std::printf("  ratio ours / libiscsi in-process, same work: %.2f\n", spreads[0].median / spreads[1].median);
#endif
  return 0;
}
