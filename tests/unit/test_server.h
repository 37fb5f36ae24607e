#pragma once

// What the tests of the HTTP classes share: a server on loopback with the paths they ask for.

#include <libsoup/soup.h>
#include <zlib.h>

#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>

#include "support/glib_ptr.h"

namespace veltrano::test {

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

inline void respond(SoupServerMessage* msg, int status, const std::string& body) {
  soup_server_message_set_status(msg, status, nullptr);
  soup_server_message_set_response(msg, "text/plain", SOUP_MEMORY_COPY, body.data(), body.size());
}

inline std::string gzip(const std::string& data) {
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

inline void redirect(SoupServerMessage* msg, int status, const std::string& to) {
  soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Location", to.c_str());
  respond(msg, status, "");
}

// Bodies that start with a byte order mark, or with what looks like one.
inline const std::string& marked_body(const std::string& path) {
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
  return kBodies.at(path);
}

inline void serve(SoupServerMessage* msg, const std::string& path) {
  if (path == "/ver.html") return respond(msg, 200, "1.0.3");
  if (path == "/missing") return respond(msg, 404, "not found");
  if (path == "/moved") return redirect(msg, 302, "/ver.html");
  if (path == "/loop") return redirect(msg, 302, "/loop");
  if (path == "/to-file") return redirect(msg, 301, "file:///etc/passwd");
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
    return redirect(msg, 302, "/chain/" + std::to_string(left - 1));
  }
  if (path == "/found-nowhere") return respond(msg, 302, "1.0.3");  // a redirect without a Location
  if (path.starts_with("/bom/")) return respond(msg, 200, marked_body(path));
  respond(msg, 500, "unexpected path");
}

}  // namespace veltrano::test
