// Automation objects: made by class name, used by member name, released by destruction.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "automation/error.h"
#include "automation/value.h"

namespace veltrano::automation {

class Object {
 public:
  virtual ~Object() = default;
  virtual Value get(std::string_view member) = 0;
  virtual void put(std::string_view member, const Value& value) = 0;
  virtual Value call(std::string_view member, std::span<const Value> args) = 0;
};

// Owning reference: resetting or destroying it releases the object, on every path.
using ObjectPtr = std::unique_ptr<Object>;

// An object variable that was never set fails like automation does.
inline Object& deref(const ObjectPtr& object) {
  if (!object) throw Error(errc::kObjectNotSet, "对象变量未设置");
  return *object;
}

// One member of an in-process class. A property has a getter and/or a setter, a method
// a call with a fixed number of arguments.
template <class T>
struct Member {
  std::string_view name;
  Value (T::*get)() = nullptr;
  void (T::*put)(const Value&) = nullptr;
  Value (T::*call)(std::span<const Value>) = nullptr;
  std::size_t arity = 0;
};

[[noreturn]] void throw_no_member(std::string_view member, std::string_view how);

// Dispatches by member name through the table T::members() returns.
template <class T>
class TableObject : public Object {
 public:
  Value get(std::string_view member) override {
    const auto& m = find(member);
    if (!m.get) throw_no_member(member, "读取");
    return (self().*m.get)();
  }
  void put(std::string_view member, const Value& value) override {
    const auto& m = find(member);
    if (!m.put) throw_no_member(member, "赋值");
    (self().*m.put)(value);
  }
  Value call(std::string_view member, std::span<const Value> args) override {
    const auto& m = find(member);
    if (!m.call) throw_no_member(member, "调用");
    if (args.size() != m.arity)
      throw Error(errc::kWrongArgCount,
                  "参数个数错误：" + std::string(member) + " 需要 " + std::to_string(m.arity) + " 个参数");
    return (self().*m.call)(args);
  }

 private:
  T& self() { return static_cast<T&>(*this); }
  static const Member<T>& find(std::string_view member) {
    for (const auto& m : T::members())
      if (names_equal(m.name, member)) return m;
    throw_no_member(member, "使用");
  }
};

}  // namespace veltrano::automation
