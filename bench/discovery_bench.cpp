// One discovery session against a real portal, four ways in one run: ours
// in-process (DiscoverPortal with "All"), libiscsi's API in-process (when
// built with it), the reference initiator iscsi-ls, and /bin/true (what
// starting a process costs). Prints the medians and the ratios.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "iscsi/discovery.h"
#include "platform/sockets.h"

#ifdef TW_HAVE_LIBISCSI
#include <iscsi/iscsi.h>
#endif

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

template <class F>
std::vector<double> Time(int n, F f) {
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    auto t = std::chrono::steady_clock::now();
    if (!f()) return {};
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
  }
  return ms;
}

bool Run(const std::vector<std::string>& argv) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    std::vector<char*> a;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    execvp(a[0], a.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#ifdef TW_HAVE_LIBISCSI
// Connect, log in to a discovery session, SendTargets=All, log out: the
// same exchange ours makes. The number of names goes to *names.
bool LibiscsiDiscovery(const std::string& portal, size_t* names) {
  iscsi_context* iscsi = iscsi_create_context("iqn.2008-09.com.velthorn:bench");
  if (!iscsi) return false;
  bool ok = iscsi_set_session_type(iscsi, ISCSI_SESSION_DISCOVERY) == 0 &&
            iscsi_set_header_digest(iscsi, ISCSI_HEADER_DIGEST_NONE) == 0 &&
            iscsi_connect_sync(iscsi, portal.c_str()) == 0 && iscsi_login_sync(iscsi) == 0;
  if (ok) {
    iscsi_discovery_address* found = iscsi_discovery_sync(iscsi);
    *names = 0;
    for (iscsi_discovery_address* a = found; a; a = a->next) ++*names;
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
    std::fprintf(stderr, "usage: discovery_bench HOST:PORT [N]\n");
    return 2;
  }
  std::string portal = argv[1];
  int n = argc > 2 ? std::atoi(argv[2]) : 50;
  size_t colon = portal.rfind(':');
  std::string host = portal.substr(0, colon);
  int port = colon == std::string::npos ? 3260 : std::atoi(portal.c_str() + colon + 1);
  auto sockets = tw::NewSystemSockets();
  uint32_t address = sockets->InetAddr(host);
  tw::IscsiLists lists;
  tw::IscsiDiscovery discovery(*sockets, lists);
  size_t names = 0;
  auto ours = Time(n, [&] {
    return discovery.DiscoverPortal(address, static_cast<uint16_t>(port), "All", true, &names) == 0;
  });
#ifdef TW_HAVE_LIBISCSI
  size_t library_names = 0;
  auto library = Time(n, [&] { return LibiscsiDiscovery(portal, &library_names); });
  if (library.empty()) {
    std::fprintf(stderr, "discovery_bench: libiscsi's discovery of %s failed\n", portal.c_str());
    return 1;
  }
#endif
  auto reference = Time(n, [&] {
    return Run({"iscsi-ls", "-i", "iqn.2008-09.com.velthorn:bench", "iscsi://" + portal + "/"});
  });
  auto start = Time(n, [] { return Run({"/bin/true"}); });
  if (ours.empty() || reference.empty() || start.empty()) {
    std::fprintf(stderr, "discovery_bench: a run failed (is a target listening on %s, is iscsi-ls installed?)\n",
                 portal.c_str());
    return 1;
  }
  double o = Median(ours), r = Median(reference), s = Median(start);
  std::printf("discovery of %s (%zu targets), median of %d runs:\n", portal.c_str(), names, n);
  std::printf("  ours in-process     %8.3f ms\n", o);
#ifdef TW_HAVE_LIBISCSI
  double l = Median(library);
  std::printf("  libiscsi in-process %8.3f ms (%zu targets)\n", l, library_names);
#endif
  std::printf("  iscsi-ls            %8.3f ms\n  /bin/true           %8.3f ms\n", r, s);
#ifdef TW_HAVE_LIBISCSI
  std::printf("  ours / libiscsi in-process = %.2f\n", o / l);
#endif
  std::printf("  ours / (iscsi-ls - process start) = %.2f\n", r - s > 0 ? o / (r - s) : 0.0);
  return 0;
}
