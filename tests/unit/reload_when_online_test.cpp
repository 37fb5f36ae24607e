#include "reload_when_online.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

namespace veltrano::browser {
namespace {

TEST(NetworkFailure, OnlyTheNetworkGoneAway) {
  const struct {
    GQuark domain;
    int code;
    bool expected;
  } cases[] = {
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, true},
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED, true},
      {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, true},
      {G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, true},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_TEMPORARY_FAILURE, true},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, true},
      {G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, false},
      {G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, false},
      {0, 0, false},  // too many redirects comes without a domain
      {g_quark_from_static_string("WebKitPolicyError"), 101, false},
  };
  for (const auto& c : cases) EXPECT_EQ(network_failure(c.domain, c.code), c.expected) << c.domain << " " << c.code;
}

}  // namespace
}  // namespace veltrano::browser
