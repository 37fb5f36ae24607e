#include "interface/browser_interface.h"

#include <gtest/gtest.h>

#include "support/glib_ptr.h"

namespace veltrano::interface {
namespace {

namespace errc = automation::errc;

// Each error crosses the bus under its name and comes back as the same number; what is
// not the shell's own (the shell gone, no reply) is the object gone.
TEST(BrowserErrors, SurviveTheBus) {
  const struct {
    std::int32_t number;
    const char* name;
  } cases[] = {
      {errc::kInvalidCall, "org.veltrano.Browser1.Error.InvalidArgument"},
      {errc::kNoSuchMember, "org.veltrano.Browser1.Error.UnknownMember"},
      {errc::kObjectGone, "org.veltrano.Browser1.Error.Gone"},
      {errc::kCannotCreate, "org.veltrano.Browser1.Error.CannotCreate"},
      {errc::kBadCharset, "org.veltrano.Browser1.Error.Failed"},
  };
  for (const auto& c : cases) {
    const GErrorPtr sent(to_gerror(automation::Error(c.number, "说明")));
    g_autofree gchar* name = g_dbus_error_encode_gerror(sent.get());
    EXPECT_STREQ(name, c.name);
    const GErrorPtr received(g_dbus_error_new_for_dbus_error(name, "说明"));
    const automation::Error back = from_gerror(received.get());
    EXPECT_EQ(back.number(), c.number == errc::kBadCharset ? errc::kInternal : c.number) << c.name;
    EXPECT_EQ(back.description(), "说明");
  }
  const GErrorPtr no_reply(g_dbus_error_new_for_dbus_error("org.freedesktop.DBus.Error.NoReply", "没有回应"));
  EXPECT_EQ(from_gerror(no_reply.get()).number(), errc::kObjectGone);
}

TEST(Interface, DescribedByTheBuiltInFile) {
  GDBusInterfaceInfo* info = interface_info();
  ASSERT_NE(info, nullptr);
  for (const char* method : {"Create", "Get", "Put", "Invoke", "Release"})
    EXPECT_NE(g_dbus_interface_info_lookup_method(info, method), nullptr) << method;
  EXPECT_STREQ(g_variant_type_peek_string(reply_type("Get")), "(v)");
  EXPECT_STREQ(g_variant_type_peek_string(reply_type("Release")), "()");
  // Create carries the startup id of the input the window answers.
  const GDBusMethodInfo* create = g_dbus_interface_info_lookup_method(info, "Create");
  ASSERT_TRUE(create && create->in_args && create->in_args[0] && !create->in_args[1]);
  EXPECT_STREQ(create->in_args[0]->signature, "s");
}

}  // namespace
}  // namespace veltrano::interface
