#include <glibmm/error.h>
#include <gtest/gtest.h>

#include "automation/procedure.h"
#include "automation/registry.h"
#include "automation/variant.h"
#include "failure_of.h"
#include "support/glib_ptr.h"

namespace veltrano::automation {
namespace {

TEST(Value, ConvertsAsAutomationDoes) {
  struct Case {
    Value value;
    bool as_bool;
    std::int32_t as_int;
  };
  const Case cases[] = {
      {Value(), false, 0},
      {Value(true), true, -1},  // true is all bits set
      {Value(false), false, 0},
      {Value(std::int16_t{0}), false, 0},
      {Value(std::int16_t{-3}), true, -3},
      {Value(std::int32_t{70000}), true, 70000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value.to_bool(), c.as_bool);
    EXPECT_EQ(c.value.to_int32(), c.as_int);
  }
}

TEST(Value, RefusesWhatCannotConvert) {
  const auto code = test::failure_of;
  EXPECT_EQ(code([] { Value("1").to_bool(); }), errc::kTypeMismatch);
  EXPECT_EQ(code([] { Value(true).to_string(); }), errc::kTypeMismatch);
  EXPECT_EQ(code([] { Value("x").to_bytes(); }), errc::kTypeMismatch);
  EXPECT_EQ(code([] { Value(std::int32_t{40000}).to_int16(); }), errc::kOverflow);
  EXPECT_EQ(code([] { Value(Bytes{1}).to_int32(); }), errc::kTypeMismatch);
}

TEST(Names, MatchWithoutRegardToCase) {
  EXPECT_TRUE(names_equal("InternetExplorer.application", "internetexplorer.Application"));
  EXPECT_TRUE(names_equal("readystate", "readyState"));
  EXPECT_FALSE(names_equal("Top", "Tops"));
  EXPECT_FALSE(names_equal("Left", "Lefu"));
}

class Counter : public TableObject<Counter> {
 public:
  explicit Counter(int* released) : m_released(released) {}
  ~Counter() override { ++*m_released; }
  static std::span<const Member<Counter>> members() {
    static const Member<Counter> kMembers[] = {
        {"Count", &Counter::get_count, &Counter::put_count},
        {"Total", &Counter::get_count},
        {"Add", nullptr, nullptr, &Counter::add, 1},
    };
    return kMembers;
  }
  Value get_count() { return m_count; }
  void put_count(const Value& v) { m_count = v.to_int32(); }
  Value add(std::span<const Value> args) {
    m_count += args[0].to_int32();
    return m_count;
  }

 private:
  int* m_released;
  std::int32_t m_count = 0;
};

TEST(Registry, CreatesByNameAndDispatchesByMember) {
  int released = 0;
  Registry registry;
  registry.add("Test.Counter", [&] { return std::make_unique<Counter>(&released); });
  {
    ObjectPtr counter = registry.create("test.COUNTER");
    counter->put("count", std::int16_t{5});
    const Value two(std::int16_t{2});
    EXPECT_EQ(counter->call("ADD", {&two, 1}), Value(std::int32_t{7}));
    EXPECT_EQ(counter->get("Total"), Value(std::int32_t{7}));

    const auto number = test::failure_of;
    EXPECT_EQ(number([&] { counter->get("Missing"); }), errc::kNoSuchMember);
    EXPECT_EQ(number([&] { counter->put("Total", true); }), errc::kNoSuchMember);  // read-only
    EXPECT_EQ(number([&] { counter->call("Add", {}); }), errc::kWrongArgCount);
    EXPECT_EQ(number([&] { registry.create("No.Such.Class"); }), errc::kCannotCreate);
  }
  EXPECT_EQ(released, 1);
}

TEST(Procedure, ResumeNextSkipsTheFailingStepOnly) {
  Procedure proc(OnError::ResumeNext);
  std::vector<int> ran;
  proc.step([&] { ran.push_back(1); });
  proc.step([&] {
    throw Error(errc::kObjectNotSet, "x");
    ran.push_back(2);
  });
  proc.step([&] { throw std::runtime_error("not an automation error"); });
  proc.step([&] { ran.push_back(4); });
  EXPECT_EQ(ran, (std::vector<int>{1, 4}));
  ASSERT_TRUE(proc.error_record());
  EXPECT_EQ(proc.error_record()->number(), errc::kInternal);
  // GLib's errors are no std::exception, and are failures all the same.
  proc.step([&] { throw Glib::Error(G_FILE_ERROR, G_FILE_ERROR_NOENT, "no such picture"); });
  proc.step([&] { ran.push_back(6); });
  EXPECT_EQ(ran, (std::vector<int>{1, 4, 6}));
  EXPECT_EQ(proc.error_record()->description(), "内部错误：no such picture");
}

TEST(Procedure, PropagateStopsAtTheFirstFailure) {
  Procedure proc(OnError::Propagate);
  std::vector<int> ran;
  EXPECT_THROW(
      {
        proc.step([&] { ran.push_back(1); });
        proc.step([&] { throw Error(errc::kInvalidCall, "x"); });
        proc.step([&] { ran.push_back(3); });
      },
      Error);
  EXPECT_EQ(ran, (std::vector<int>{1}));
}

TEST(Variant, EveryKindCrossesTheWire) {
  const Value values[] = {Value(),
                          Value(true),
                          Value(std::int16_t{-32768}),
                          Value(std::int32_t{123456}),
                          Value("电子走势图"),
                          Value(Bytes{0, 255, 7}),
                          Value(Bytes{})};
  for (const Value& value : values) {
    const GVariantPtr wire(g_variant_ref_sink(to_gvariant(value)));
    EXPECT_EQ(from_gvariant(wire.get()), value);
  }
  const GVariantPtr unsupported(g_variant_ref_sink(g_variant_new_double(1.5)));
  EXPECT_THROW(from_gvariant(unsupported.get()), Error);
  EXPECT_THROW(to_gvariant(Value(std::string("\xff\xfe"))), Error);  // not UTF-8
}

}  // namespace
}  // namespace veltrano::automation
