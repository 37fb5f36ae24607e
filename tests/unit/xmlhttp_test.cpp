#include "platform/xmlhttp.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <thread>

#include "platform/classes.h"
#include "support/glib_ptr.h"
#include "update/module1.h"

namespace veltrano::platform {
namespace {

using namespace std::chrono_literals;

// An HTTP server on loopback, run by a thread of its own.
class TestServer {
 public:
  using Handler = std::function<void(SoupServerMessage*, const std::string& path)>;

  explicit TestServer(Handler handler) : m_handler(std::move(handler)) {
    std::promise<std::string> base;
    auto ready = base.get_future();
    m_thread = std::thread([this, base = std::move(base)]() mutable {
      m_context.reset(g_main_context_new());
      const ThreadDefaultContext scope(m_context.get());
      m_loop.reset(g_main_loop_new(m_context.get(), FALSE));
      const GObjectPtr<SoupServer> server(soup_server_new(nullptr, nullptr));
      soup_server_add_handler(
          server.get(), nullptr,
          +[](SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, gpointer self) {
            static_cast<TestServer*>(self)->m_handler(msg, path);
          },
          this, nullptr);
      soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr);
      g_autoslist(GUri) uris = soup_server_get_uris(server.get());
      g_autofree gchar* text = g_uri_to_string(static_cast<GUri*>(uris->data));
      base.set_value(text);
      g_main_loop_run(m_loop.get());
      soup_server_disconnect(server.get());
    });
    m_base = ready.get();
    if (!m_base.empty() && m_base.back() == '/') m_base.pop_back();
  }
  ~TestServer() {
    g_main_context_invoke(
        m_context.get(),
        +[](gpointer loop) {
          g_main_loop_quit(static_cast<GMainLoop*>(loop));
          return G_SOURCE_REMOVE;
        },
        m_loop.get());
    m_thread.join();
  }
  std::string url(const std::string& path) const { return m_base + path; }

 private:
  Handler m_handler;
  std::thread m_thread;
  GMainContextPtr m_context;  // the server thread's, made there
  GMainLoopPtr m_loop;
  std::string m_base;
};

void respond(SoupServerMessage* msg, int status, const std::string& body) {
  soup_server_message_set_status(msg, status, nullptr);
  soup_server_message_set_response(msg, "text/plain", SOUP_MEMORY_COPY, body.data(), body.size());
}

std::string gzip(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

void serve(SoupServerMessage* msg, const std::string& path) {
  if (path == "/ver.html") return respond(msg, 200, "1.0.3");
  if (path == "/missing") return respond(msg, 404, "not found");
  if (path == "/moved") {
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Location", "/ver.html");
    return respond(msg, 302, "");
  }
  if (path == "/loop") {
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Location", "/loop");
    return respond(msg, 302, "");
  }
  if (path == "/to-file") {
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Location", "file:///etc/passwd");
    return respond(msg, 301, "");
  }
  if (path == "/large") return respond(msg, 200, std::string((1 << 20) + 1, 'x'));
  if (path == "/just-fits") return respond(msg, 200, std::string(1 << 20, 'x'));
  if (path == "/bomb") {
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Content-Encoding", "gzip");
    return respond(msg, 200, gzip(std::string(64 << 20, '0')));
  }
  if (path == "/silent") return soup_server_message_pause(msg);  // never answers
  if (path.starts_with("/chain/")) {                             // /chain/N answers after N redirects
    const int left = std::stoi(path.substr(7));
    if (left == 0) return respond(msg, 200, "1.0.3");
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Location",
                                 ("/chain/" + std::to_string(left - 1)).c_str());
    return respond(msg, 302, "");
  }
  if (path == "/found-nowhere") return respond(msg, 302, "1.0.3");  // a redirect without a Location
  if (path.starts_with("/bom/")) {
    static const std::map<std::string, std::string> kBodies = {
        {"/bom/utf-8",
         "\xEF\xBB\xBF"
         "1.0.2"},
        {"/bom/utf-16le", std::string("\xFF\xFE"
                                      "1\0.\0"
                                      "0\0.\0"
                                      "2\0",
                                      12)},
        {"/bom/utf-16be", std::string("\xFE\xFF"
                                      "\0"
                                      "1\0.\0"
                                      "0\0.\0"
                                      "2",
                                      12)},
        {"/bom/gb18030",
         "\x84\x31\x95\x33"
         "1.0.2"},  // U+FEFF in GB18030: no BOM to the decoder
    };
    return respond(msg, 200, kBodies.at(path));
  }
  respond(msg, 500, "unexpected path");
}

std::int32_t failure_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const automation::Error& e) {
    return e.number();
  }
  return 0;
}

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

TEST(FetchPageText, ReturnsTheDocumentOrNothing) {
  const TestServer server(serve);
  const automation::Registry registry = platform_classes();
  EXPECT_EQ(update::FetchPageText(server.url("/ver.html"), registry), "1.0.3");
  EXPECT_EQ(update::FetchPageText(server.url("/missing"), registry), std::nullopt);  // an error page is no document
  EXPECT_EQ(update::FetchPageText(server.url("/found-nowhere"), registry), std::nullopt);
  EXPECT_NE(failure_of([&] { update::FetchPageText(server.url("/loop"), registry); }), 0);
}

// A byte-order mark chooses the encoding over "GB2312" and is no part of the text.
TEST(FetchPageText, ByteOrderMarksAreNoVersion) {
  const TestServer server(serve);
  const automation::Registry registry = platform_classes();
  for (const char* path : {"/bom/utf-8", "/bom/utf-16le", "/bom/utf-16be"})
    EXPECT_EQ(update::FetchPageText(server.url(path), registry), "1.0.2") << path;
  EXPECT_EQ(update::FetchPageText(server.url("/bom/gb18030"), registry),
            "\uFEFF"
            "1.0.2");
}

// The version check's request starts before the window is built: the synchronous request
// for the same method and URL takes it over, so the server sees one GET; one nobody takes
// is cancelled.
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
    while (requests == 0) early.advance();
    EXPECT_EQ(update::FetchPageText(server.url("/ver.html"), registry), "1.0.3");
    EXPECT_EQ(update::FetchPageText(server.url("/ver.html"), registry), "1.0.3");  // a later one goes out anew
    EXPECT_EQ(requests, 2);
  }
  {
    EarlyRequests early;
    early.start(server.url("/ver.html"));
    while (requests == 2) early.advance();
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
    while (held < 0) early.advance();
    going = std::chrono::steady_clock::now();
  }
  pollfd end{held, POLLIN, 0};
  char byte;
  ASSERT_EQ(poll(&end, 1, 1000), 1);
  EXPECT_EQ(recv(held, &byte, 1, MSG_PEEK), 0);             // the client has closed it
  EXPECT_LT(std::chrono::steady_clock::now() - going, 1s);  // cancelled, not left to time out
  close(held);
}

TEST(XmlHttpRequest, OnlySynchronousGetAndHead) {
  const struct {
    const char* method;
    bool async;
    std::int32_t failure;
  } cases[] = {{"GET", true, automation::errc::kInvalidCall},
               {"POST", false, automation::errc::kInvalidCall},
               {"get", false, 0},
               {"Head", false, 0}};
  for (const auto& c : cases) {
    XmlHttpRequest request;
    EXPECT_EQ(failure_of([&] { request.call("send", {}); }), automation::errc::kWrongState);
    const automation::Value open[] = {c.method, "http://localhost/", c.async};
    EXPECT_EQ(failure_of([&] { request.call("Open", open); }), c.failure) << c.method;
    EXPECT_EQ(request.get("readystate").to_int32(), c.failure ? 0 : 1) << c.method;
  }
}

}  // namespace
}  // namespace veltrano::platform
