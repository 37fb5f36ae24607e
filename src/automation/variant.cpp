#include "automation/variant.h"

#include "automation/error.h"

namespace veltrano::automation {

GVariant* to_gvariant(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Empty: return g_variant_new_array(G_VARIANT_TYPE_VARIANT, nullptr, 0);
    case Value::Kind::Boolean: return g_variant_new_boolean(value.to_bool());
    case Value::Kind::Int16: return g_variant_new_int16(value.to_int16());
    case Value::Kind::Int32: return g_variant_new_int32(value.to_int32());
    case Value::Kind::String: {
      const std::string text = value.to_string();
      if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        throw Error(errc::kInvalidCall, "字符串不是有效的 UTF-8 文本");
      return g_variant_new_take_string(g_strndup(text.data(), text.size()));
    }
    case Value::Kind::Bytes: {
      const Bytes& bytes = value.to_bytes();
      return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
    }
  }
  throw Error(errc::kInternal, "未知的值类型");
}

Value from_gvariant(GVariant* variant) {
  const GVariantType* type = g_variant_get_type(variant);
  if (g_variant_type_equal(type, G_VARIANT_TYPE("av")) && g_variant_n_children(variant) == 0) return {};
  if (g_variant_type_equal(type, G_VARIANT_TYPE_BOOLEAN)) return Value(g_variant_get_boolean(variant) != FALSE);
  if (g_variant_type_equal(type, G_VARIANT_TYPE_INT16))
    return Value(static_cast<std::int16_t>(g_variant_get_int16(variant)));
  if (g_variant_type_equal(type, G_VARIANT_TYPE_INT32))
    return Value(static_cast<std::int32_t>(g_variant_get_int32(variant)));
  if (g_variant_type_equal(type, G_VARIANT_TYPE_STRING)) {
    gsize length = 0;
    const char* text = g_variant_get_string(variant, &length);
    return Value(std::string(text, length));
  }
  if (g_variant_type_equal(type, G_VARIANT_TYPE_BYTESTRING)) {
    gsize length = 0;
    const auto* data = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(variant, &length, 1));
    return Value(Bytes(data, data + length));
  }
  throw Error(errc::kTypeMismatch,
              std::string("类型不匹配：不支持 D-Bus 类型“") + g_variant_get_type_string(variant) + "”");
}

}  // namespace veltrano::automation
