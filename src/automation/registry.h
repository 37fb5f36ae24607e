// Classes by name: the program asks for "InternetExplorer.application" or "adodb.stream"
// and gets a new object of whatever implements it here.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/object.h"

namespace veltrano::automation {

class Registry {
 public:
  using Factory = std::function<ObjectPtr()>;

  void add(std::string class_name, Factory factory);
  // A new object of the class; fails (can't create object) for a name nobody registered
  // or when the factory itself fails.
  ObjectPtr create(std::string_view class_name) const;

 private:
  std::vector<std::pair<std::string, Factory>> m_classes;
};

}  // namespace veltrano::automation
