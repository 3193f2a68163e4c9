// Posting a form with one 1 MiB value to the local service: our client
// against libcurl in-process (when built with it) and curl --data-binary
// with the same body, in the same run.
//   scripts/cloud-verify-server.py --test-endpoints --run cloud_post_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

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
#endif

}  // namespace

int main(int argc, char** argv) {
  const char* port_text = std::getenv("TW_TEST_HTTP_PORT");
  if (!port_text) {
    std::fprintf(stderr, "run under scripts/cloud-verify-server.py --test-endpoints --run\n");
    return 2;
  }
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::string port = port_text;
  std::string url8 = "http://127.0.0.1:" + port + "/sink";
  std::u16string url(url8.begin(), url8.end());
  const std::u16string value(1 << 20, u'v');
  const std::string body = "V=" + std::string(1 << 20, 'v');

  tw::SystemServices services = tw::NewSystemServices();
  std::unique_ptr<tw::Internet> internet = tw::NewSystemInternet(*services.sockets);

  std::vector<double> ours, curl;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    Quenta::CHttpClientT client(*internet, *services.code_page);
    client.AddParam(u"V", value.c_str());
    client.OpenPostRequest(url.c_str(), 0);
    std::unique_ptr<Quenta::CHttpResponseT> response;
    while (!response) response = client._ProceedPostContext();
    uint8_t buffer[1023];
    std::string answer;
    while (uint32_t n = response->ReadContent(buffer)) answer.append(reinterpret_cast<char*>(buffer), n);
    ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (answer != "received " + std::to_string(body.size())) {
      std::fprintf(stderr, "unexpected answer: %s\n", answer.c_str());
      return 1;
    }
  }

#ifdef TW_HAVE_LIBCURL
  curl_global_init(CURL_GLOBAL_DEFAULT);
  std::vector<double> library;
  for (int i = 0; i < runs; ++i) {
    std::string answer;
    auto start = Clock::now();
    if (!LibcurlPost(url8, body, &answer)) {
      std::fprintf(stderr, "libcurl's post failed\n");
      return 1;
    }
    library.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (answer != "received " + std::to_string(body.size())) {
      std::fprintf(stderr, "unexpected answer to libcurl: %s\n", answer.c_str());
      return 1;
    }
  }
  curl_global_cleanup();
#endif

  std::string file = "/tmp/cloud_post_bench_" + port + ".body";
  std::ofstream(file, std::ios::binary) << body;
  std::string command = "curl -s -o /dev/null --data-binary @" + file + " " + url8;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
    curl.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::remove(file.c_str());

  double a = Median(ours), b = Median(curl);
  std::printf("form post, one 1 MiB value, %d runs each (median)\n", runs);
  std::printf("  our client:          %8.2f ms\n", a);
#ifdef TW_HAVE_LIBCURL
  const double l = Median(library);
  std::printf("  libcurl in-process:  %8.2f ms\n", l);
#endif
  std::printf("  curl --data-binary:  %8.2f ms (includes starting the process)\n", b);
#ifdef TW_HAVE_LIBCURL
  std::printf("  ratio ours / libcurl in-process: %8.2f\n", a / l);
#endif
  std::printf("  ratio ours / curl:   %8.2f\n", a / b);
  return 0;
}
