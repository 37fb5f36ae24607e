#include "platform/http_exchange.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "failure_of.h"
#include "platform/classes.h"
#include "platform/early_requests.h"
#include "platform/xmlhttp.h"
#include "test_server.h"
#include "update/module1.h"

namespace veltrano::platform {
namespace {

using namespace std::chrono_literals;
using test::failure_of;
using test::serve;
using test::TestServer;

TEST(HttpExchange, FollowsRedirectsWithinLimits) {
  const TestServer server(serve);
  const HttpLimits limits;
  const struct {
    const char* path;
    int status;
    std::size_t body_size;
  } completes[] = {{"/ver.html", 200, 5},      {"/moved", 200, 5},   {"/chain/5", 200, 5},
                   {"/found-nowhere", 302, 5}, {"/missing", 404, 9}, {"/just-fits", 200, 1 << 20}};
  for (const auto& c : completes) {
    const HttpResponse r = http_exchange("GET", server.url(c.path), limits);
    EXPECT_EQ(r.status, c.status) << c.path;
    EXPECT_EQ(r.body.size(), c.body_size) << c.path;
  }
  for (const char* path : {"/chain/6", "/loop", "/to-file", "/large", "/bomb"})
    EXPECT_EQ(failure_of([&] { http_exchange("GET", server.url(path), limits); }), automation::errc::kRequestFailed)
        << path;
}

TEST(HttpExchange, GivesUpAtTheDeadline) {
  const TestServer server(serve);
  HttpLimits limits;
  limits.deadline = 300ms;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(failure_of([&] { http_exchange("GET", server.url("/silent"), limits); }), automation::errc::kRequestFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(HttpExchange, RefusesWhatIsNotAWebUrl) {
  for (const char* url : {"ftp://example.com/x", "file:///etc/passwd", "not a url", "http://"})
    EXPECT_EQ(failure_of([&] { http_exchange("GET", url, HttpLimits{}); }), automation::errc::kRequestFailed) << url;
}

// The version check's request starts before the window is built, on a thread of its own:
// the synchronous request for the same method and URL takes it over, so the server sees
// one GET; one nobody takes is abandoned.
TEST(EarlyRequests, TakenOverInFlightOrCancelled) {
  std::atomic<int> requests = 0;
  std::atomic<int> heads = 0;
  std::atomic<int> held = -1;  // the server's end of the connection that is never answered
  const TestServer server([&](SoupServerMessage* msg, const std::string& path) {
    ++requests;
    if (std::string_view(soup_server_message_get_method(msg)) == "HEAD") ++heads;
    if (path != "/held") return serve(msg, path);
    held = dup(g_socket_get_fd(soup_server_message_get_socket(msg)));
    soup_server_message_pause(msg);
  });
  {
    EarlyRequests early;
    early.start(server.url("/ver.html"));
    const automation::Registry registry = platform_classes(&early);
    while (requests == 0) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(update::FetchPageText(server.url("/ver.html"), registry), "1.0.3");
    EXPECT_EQ(update::FetchPageText(server.url("/ver.html"), registry), "1.0.3");  // a later one goes out anew
    EXPECT_EQ(requests, 2);
  }
  {
    EarlyRequests early;
    early.start(server.url("/ver.html"));
    while (requests == 2) std::this_thread::sleep_for(1ms);
    XmlHttpRequest head(&early);
    const automation::Value open[] = {"HEAD", server.url("/ver.html"), false};
    head.call("Open", open);
    head.call("send", {});
    EXPECT_EQ(head.get("status").to_int32(), 200);
    EXPECT_EQ(requests, 4);  // the early GET, and the HEAD of its own
    EXPECT_EQ(heads, 1);
  }
  std::chrono::steady_clock::time_point going;
  {
    EarlyRequests early;
    early.start(server.url("/held"));
    while (held < 0) std::this_thread::sleep_for(1ms);
    going = std::chrono::steady_clock::now();
  }
  pollfd end{held, POLLIN, 0};
  char byte;
  ASSERT_EQ(poll(&end, 1, 1000), 1);
  EXPECT_EQ(recv(held, &byte, 1, MSG_PEEK), 0);             // the client has closed it
  EXPECT_LT(std::chrono::steady_clock::now() - going, 1s);  // cancelled, not left to time out
  close(held);
}

// The proxy the user's settings give (here the environment, as on a desktop without proxy
// settings of its own) carries the request started on its own thread, and the later ones.
TEST(EarlyRequests, GoThroughTheUsersProxy) {
  std::atomic<int> proxied = 0;
  const TestServer proxy([&](SoupServerMessage* msg, const std::string& path) {
    if (std::string_view(g_uri_get_host(soup_server_message_get_uri(msg))) == "version.veltrano.invalid") ++proxied;
    serve(msg, path);
  });
  g_unsetenv("XDG_CURRENT_DESKTOP");
  g_unsetenv("no_proxy");
  g_setenv("http_proxy", proxy.url("").c_str(), TRUE);
  const std::string url = "http://version.veltrano.invalid/ver.html";  // a name no resolver knows
  EarlyRequests early;
  early.start(url);
  const automation::Registry registry = platform_classes(&early);
  EXPECT_EQ(update::FetchPageText(url, registry), "1.0.3");
  EXPECT_EQ(update::FetchPageText(url, registry), "1.0.3");
  EXPECT_EQ(proxied, 2);
}

}  // namespace
}  // namespace veltrano::platform
