#include "automation/registry.h"

namespace veltrano::automation {

void Registry::add(std::string class_name, Factory factory) {
  m_classes.emplace_back(std::move(class_name), std::move(factory));
}

ObjectPtr Registry::create(std::string_view class_name) const {
  for (const auto& [name, factory] : m_classes)
    if (names_equal(name, class_name)) return factory();
  throw Error(errc::kCannotCreate, "部件不能创建对象：没有“" + std::string(class_name) + "”类");
}

}  // namespace veltrano::automation
