#include "platform/components.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "automation/error.h"
#include "automation/text.h"

namespace halvora::platform {

namespace {

constexpr std::u16string_view kDatabaseSdkClasses[] = {
    u"ConexionSdk",
    u"RegistroDatosHuesped",
    u"RegistroConfiguracion",
    u"RegistroTablaHotel",
    u"RegistroMaestroHuesped",
    u"RegistroCargo",
    u"RegistroCupon",
    u"RegistroTipoCupon",
    u"RegistroInfComercial",
    u"RegistroTablaConfiguracion",
    u"RegistroTablaEstado",
};

constexpr std::u16string_view kEinvoiceClasses[] = {
    u"ServidorFacturacion", u"DocumentoFactura", u"RenglonFactura",  u"MensajeCorreo",
    u"EstadoCuenta",        u"MovimientoEdoCta", u"RegistroHuesped",
};

constexpr ComponentFamily kFamilies[] = {
    {kDatabaseSdk, kDatabaseSdkClasses},
    {kEinvoiceComponent, kEinvoiceClasses, kEinvoiceComponentSetting},
};

ComponentFactory g_test = nullptr;
ComponentFactory g_registered = nullptr;
ComponentFactory g_bundled = nullptr;

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  while (!s.empty() && kBlanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
  while (!s.empty() && kBlanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
  return s;
}

bool same_word(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

// Read on every creation, as every setting is, so that a host or a test may change it.
std::optional<ComponentSource> configured_source() {
  const char* value = std::getenv("HALVORA_COMPONENTS");
  return parse_component_source(value ? value : "");
}

}  // namespace

std::span<const ComponentFamily> component_families() {
  return kFamilies;
}

std::u16string registered_prefix(const ComponentFamily& family) {
  if (family.prefix_setting)
    if (const char* value = std::getenv(family.prefix_setting))
      if (std::string_view configured = trimmed(value); !configured.empty())
        return utf8_to_utf16(configured);
  return std::u16string(family.prefix);
}

std::u16string registered_identifier(std::u16string_view class_name) {
  for (const ComponentFamily& family : kFamilies)
    for (std::u16string_view known : family.classes)
      if (iequals(known, class_name))
        return registered_prefix(family) + u"." + std::u16string(known);
  return {};
}

std::u16string_view class_of_identifier(std::u16string_view identifier) {
  std::size_t dot = identifier.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  for (const ComponentFamily& family : kFamilies) {
    if (!iequals(registered_prefix(family), identifier.substr(0, dot))) continue;
    for (std::u16string_view known : family.classes)
      if (iequals(known, identifier.substr(dot + 1))) return known;
  }
  return {};
}

std::optional<ComponentSource> parse_component_source(std::string_view text) {
  text = trimmed(text);
  if (text.empty() || same_word(text, "auto")) return ComponentSource::Auto;
  if (same_word(text, "registered")) return ComponentSource::Registered;
  if (same_word(text, "bundled")) return ComponentSource::Bundled;
  return std::nullopt;
}

ObjectRef create_component(std::u16string_view class_name) {
  if (g_test)
    if (ObjectRef made = g_test(class_name)) return made;
  std::optional<ComponentSource> source = configured_source();
  if (!source) throw Error::standard(err::kCannotCreate);
  if (*source != ComponentSource::Bundled && g_registered) {
    std::u16string identifier = registered_identifier(class_name);
    if (!identifier.empty())
      if (ObjectRef made = g_registered(identifier)) return made;
  }
  if (*source != ComponentSource::Registered && g_bundled)
    if (ObjectRef made = g_bundled(class_name)) return made;
  throw Error::standard(err::kCannotCreate);
}

ComponentFactory set_registered_components(ComponentFactory factory) {
  return std::exchange(g_registered, factory);
}

ComponentFactory set_bundled_components(ComponentFactory factory) {
  return std::exchange(g_bundled, factory);
}

ComponentFactory set_component_factory(ComponentFactory factory) {
  return std::exchange(g_test, factory);
}

std::u16string_view numbered_field_name(int position, NumberedNameBuffer& buffer) {
  constexpr std::u16string_view kPrefix = u"Campo";
  std::copy(kPrefix.begin(), kPrefix.end(), buffer.begin());
  char16_t digits[10];
  int count = 0;
  unsigned rest = static_cast<unsigned>(position < 0 ? 0 : position);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + rest % 10);
    rest /= 10;
  } while (rest);
  while (count < 3) digits[count++] = u'0';
  std::size_t size = kPrefix.size();
  while (count) buffer[size++] = digits[--count];
  return {buffer.data(), size};
}

}  // namespace halvora::platform
