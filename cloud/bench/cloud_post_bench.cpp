// Posting a form with one 1 MiB value to the local service: our client
// against libcurl in-process, same server, same bytes on the wire. Each
// timed post covers everything a caller waits for: setting up, the post,
// reading the answer and tearing down. Both sides are warmed up, then run
// interleaved (the order turns each round); medians and spread are printed.
//   scripts/cloud-verify-server.py --test-endpoints --run cloud_post_bench [RUNS]
//
// Ours starts from the UTF-16 value and encodes it while it posts, as the
// product does. libcurl is timed twice: with the body prebuilt (encoding
// outside the timed region) and doing the same work (the value converted
// and escaped inside it). The reported ratio is against the same work.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/spread.h"
#include "cloud/http/quenta.h"
#include "platform/internet.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"

#ifdef TW_HAVE_LIBCURL
#include <curl/curl.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

using tw::bench::PrintSpread;
using tw::bench::Spread;

#ifdef TW_HAVE_LIBCURL
size_t Collect(char* data, size_t size, size_t count, void* answer) {
  static_cast<std::string*>(answer)->append(data, size * count);
  return size * count;
}

// One post on a new connection, as our client makes it; the answer in
// *answer. Without "Expect: 100-continue", which ours does not send either.
bool LibcurlPost(const std::string& url, const std::string& body, std::string* answer) {
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  curl_slist* headers = curl_slist_append(nullptr, "Expect:");
  headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, answer);
  const bool ok = curl_easy_perform(curl) == CURLE_OK;
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return ok;
}

// The same work as ours: the UTF-16 value to bytes, escaped, then posted.
bool LibcurlEncodeAndPost(const std::string& url, const std::u16string& value, std::string* answer) {
  std::string bytes(value.size(), '\0');
  for (size_t i = 0; i < value.size(); ++i) bytes[i] = static_cast<char>(value[i]);  // ASCII here
  char* escaped = curl_easy_escape(nullptr, bytes.data(), static_cast<int>(bytes.size()));
  if (!escaped) return false;
  std::string body = "V=";
  body += escaped;
  curl_free(escaped);
  return LibcurlPost(url, body, answer);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const char* port_text = std::getenv("TW_TEST_HTTP_PORT");
  if (!port_text) {
    std::fprintf(stderr, "run under scripts/cloud-verify-server.py --test-endpoints --run\n");
    return 2;
  }
  int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
  std::string port = port_text;
  std::string url8 = "http://127.0.0.1:" + port + "/sink";
  std::u16string url(url8.begin(), url8.end());
  const std::u16string value(1 << 20, u'v');
  const std::string body = "V=" + std::string(1 << 20, 'v');
  const std::string expected = "received " + std::to_string(body.size());

  tw::SystemServices services = tw::NewSystemServices();
  std::unique_ptr<tw::Internet> internet = tw::NewSystemInternet(*services.sockets);

  auto ours = [&]() -> bool {
    std::string answer;
    {
      Quenta::CHttpClientT client(*internet, *services.code_page);
      client.AddParam(u"V", value.c_str());
      client.OpenPostRequest(url.c_str(), 0);
      std::unique_ptr<Quenta::CHttpResponseT> response;
      while (!response) response = client._ProceedPostContext();
      uint8_t buffer[1023];
      while (uint32_t n = response->ReadContent(buffer)) answer.append(reinterpret_cast<char*>(buffer), n);
    }  // the handles closed inside the timed region, as libcurl's cleanup is
    return answer == expected;
  };
  struct Side {
    const char* name;
    std::function<bool()> post;
    std::vector<double> ms;
  };
  std::vector<Side> sides;
  sides.push_back({"our client (encodes while posting)", ours, {}});
#ifdef TW_HAVE_LIBCURL
  curl_global_init(CURL_GLOBAL_DEFAULT);
  sides.push_back({"libcurl, same work (encodes)", [&] {
                     std::string answer;
                     return LibcurlEncodeAndPost(url8, value, &answer) && answer == expected;
                   }, {}});
  sides.push_back({"libcurl, body prebuilt", [&] {
                     std::string answer;
                     return LibcurlPost(url8, body, &answer) && answer == expected;
                   }, {}});
#endif

  for (int warm = 0; warm < 3; ++warm)
    for (Side& s : sides)
      if (!s.post()) {
        std::fprintf(stderr, "%s: the post failed\n", s.name);
        return 1;
      }
  for (int i = 0; i < runs; ++i) {
    for (size_t k = 0; k < sides.size(); ++k) {
      Side& s = sides[(k + static_cast<size_t>(i)) % sides.size()];
      auto start = Clock::now();
      bool ok = s.post();
      s.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      if (!ok) {
        std::fprintf(stderr, "%s: the post failed\n", s.name);
        return 1;
      }
    }
  }
#ifdef TW_HAVE_LIBCURL
  curl_global_cleanup();
#endif

  std::printf("form post, one 1 MiB value, %d interleaved runs each after 3 warm-up (median, 10th-90th percentile)\n",
              runs);
  std::vector<Spread> spreads;
  for (const Side& s : sides) spreads.push_back(PrintSpread(s.name, 36, 2, s.ms));
#ifdef TW_HAVE_LIBCURL
  std::printf("  ratio ours / libcurl in-process, same work:     %5.2f\n", spreads[0].median / spreads[1].median);
  std::printf("  ratio ours / libcurl in-process, body prebuilt: %5.2f\n", spreads[0].median / spreads[2].median);
#endif
  return 0;
}
