// Outside components (the hotel database SDK, the e-invoicing server) and their records, created by
// name. On Windows the component registered on the machine comes first, and the substitute bundled
// with the library answers where none is registered; natively only the bundled substitutes exist.
// HALVORA_COMPONENTS lets a deployment insist on one or the other.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/object.h"

namespace halvora::platform {

// ---- Families --------------------------------------------------------------------------------

// An outside component as the machine registers it: its classes' identifiers are the prefix, a dot
// and the class name ("LobixSdkCore.ConexionSdk"). The prefix is also its type library's name.
struct ComponentFamily {
  std::u16string_view prefix;
  std::span<const std::u16string_view> classes;  // the classes the library creates of it
  // The environment variable that names another prefix for a deployment, or null when the prefix
  // is fixed: where the maker's identifiers are not known to us, the machine's are configured.
  const char* prefix_setting = nullptr;
};

// The hotel database SDK: its connection class and its ten record classes.
inline constexpr char16_t kDatabaseSdk[] = u"LobixSdkCore";
// The e-invoicing component: ServidorFacturacion and its six record classes. The prefix is the
// substitute's own COM server; a machine where the maker's server is registered under another name
// says so in HALVORA_EINVOICE_COMPONENT.
inline constexpr char16_t kEinvoiceComponent[] = u"HalvoraFacturacion";
inline constexpr char kEinvoiceComponentSetting[] = "HALVORA_EINVOICE_COMPONENT";

// Every family the library creates classes of. A new outside component is one more row here.
std::span<const ComponentFamily> component_families();

// The prefix a family's classes are registered under on this machine: its setting's value when
// one is set and not blank, else the family's own.
std::u16string registered_prefix(const ComponentFamily& family);

// The registered identifier of a class of one of the families (letter case aside), spelt as the
// family spells its class; empty for a class of none.
std::u16string registered_identifier(std::u16string_view class_name);

// The class of a family that a registered identifier names ("LobixSdkCore.RegistroCargo" is
// RegistroCargo), letter case aside; empty for an identifier of none. Hosts that create objects by
// identifier reach the outside components through it.
std::u16string_view class_of_identifier(std::u16string_view identifier);

// ---- Which component answers -----------------------------------------------------------------

enum class ComponentSource : uint8_t {
  Auto,        // the registered component, else the bundled substitute
  Registered,  // the registered component only: none is 429, never a silent stand-in
  Bundled,     // the bundled substitute only, whatever the machine has registered
};

// The value of HALVORA_COMPONENTS: "auto", "registered" or "bundled", letter case and surrounding
// blanks aside; unset or blank is auto. Anything else is nothing: a misspelt setting must not
// quietly become auto and hand a deployment that insisted on its real SDK a stand-in.
std::optional<ComponentSource> parse_component_source(std::string_view text);

// A new object of the named class ("ConexionSdk", "RegistroDatosHuesped", ...): from a test's
// factory when one is set, then as HALVORA_COMPONENTS says. 429 when none of the sources it allows
// provides the class, or when the setting is not one of the three.
ObjectRef create_component(std::u16string_view class_name);

// Makes objects of the names it knows, null for any other. The registered factory takes registered
// identifiers, answers null when nothing is registered under one and raises when something is but
// cannot be made (a broken installation is not a missing one); the bundled factory takes class
// names.
using ComponentFactory = ObjectRef (*)(std::u16string_view name);

// The machine's registered components: set on Windows by the COM layer, which alone turns a foreign
// automation object into a core object. Each setter answers the factory it replaces.
ComponentFactory set_registered_components(ComponentFactory factory);
// The substitutes bundled with the library, handed over by the library layer.
ComponentFactory set_bundled_components(ComponentFactory factory);
// Tests put a factory in front of everything else; null removes it.
ComponentFactory set_component_factory(ComponentFactory factory);

// A record property without a column name of its own is "Campo" and its position in at least
// three digits ("Campo007", "Campo185"): the SDK publishes its records so, and the record fills
// name what they set so. Written into `buffer`, which the answer points into.
using NumberedNameBuffer = std::array<char16_t, 16>;
std::u16string_view numbered_field_name(int position, NumberedNameBuffer& buffer);

}  // namespace halvora::platform
