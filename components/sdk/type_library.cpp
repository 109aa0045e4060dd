#include "sdk/type_library.h"

#include <array>
#include <memory>

#include "platform/components.h"
#include "sdk/conexion_sdk.h"
#include "sdk/records.h"

namespace halvora::sdk {

namespace {

ObjectRef create_connection() {
  return std::make_shared<ConexionSdk>();
}
const MemberTable* connection_members() {
  return &ConexionSdk::member_table();
}

template <const RecordLayout& (*Layout)()>
ObjectRef create_record_of() {
  return create_record(Layout().class_name);
}
template <const RecordLayout& (*Layout)()>
const MemberTable* record_members() {
  return Layout().members;
}

// The type library bears the family's prefix, so its classes register as the identifiers the
// library asks for ("LobixSdkCore.ConexionSdk").
constexpr TypeLibraryInfo kTypeLibrary{platform::kDatabaseSdk,
                                       u"{3DAFDBF4-2D23-47B1-BE1C-7F080883849C}", 1, 0, 0x409};

template <const RecordLayout& (*Layout)()>
constexpr ClassInfo record_class(std::u16string_view name, std::u16string_view interface_name,
                                 std::u16string_view clsid, std::u16string_view iid,
                                 std::u16string_view role) {
  return {name,
          interface_name,
          clsid,
          iid,
          role,
          false,
          &create_record_of<Layout>,
          &record_members<Layout>};
}

const std::array<ClassInfo, 11> kClasses{{
    {u"ConexionSdk", u"_ConexionSdk", u"{95F3F235-8C18-496D-A41C-6C5858BF27B8}",
     u"{0493833C-D500-4022-A16E-BCC6827C32EA}", u"connection to a hotel database", false,
     &create_connection, &connection_members},
    record_class<&guest_layout>(u"RegistroDatosHuesped", u"_RegistroDatosHuesped",
                                u"{6CDDFBB4-5657-4D84-9777-A7765B7611F5}",
                                u"{71D01B3B-4E15-42AE-9B27-8678867751F8}", u"guest in house"),
    record_class<&config_layout>(u"RegistroConfiguracion", u"_RegistroConfiguracion",
                                 u"{52017E9C-9700-4DF5-99E8-AFBD49EE17A6}",
                                 u"{64F6DC79-1CC5-4C22-9BC7-7EB491F13234}", u"configuration"),
    record_class<&hotel_table_layout>(u"RegistroTablaHotel", u"_RegistroTablaHotel",
                                      u"{DBD6411D-2C50-4CB8-ACE5-EC6626AE4F5D}",
                                      u"{DE9B7E32-F577-4FBC-96A2-161359629065}", u"hotel table"),
    record_class<&guest_master_layout>(u"RegistroMaestroHuesped", u"_RegistroMaestroHuesped",
                                       u"{E8870A36-EF31-49CC-9BF8-A43FD20E9657}",
                                       u"{EF289D07-8BF6-42AC-8BA0-B3C09123F66C}", u"guest master"),
    record_class<&charge_layout>(u"RegistroCargo", u"_RegistroCargo",
                                 u"{EFD98ACC-BB0D-4380-8C4F-02F965041ECA}",
                                 u"{05137FA4-51CC-4F66-99FA-40BE94C6F1AA}", u"charge"),
    record_class<&coupon_layout>(u"RegistroCupon", u"_RegistroCupon",
                                 u"{89E6E5D5-19D1-4376-B215-59214F050ED8}",
                                 u"{F675B299-B7F1-464C-B25F-600679E64105}", u"coupon"),
    record_class<&coupon_type_layout>(u"RegistroTipoCupon", u"_RegistroTipoCupon",
                                      u"{38B9C7AC-FA68-4C72-9EE7-5AB167E6A4F4}",
                                      u"{4890D1D1-022F-4264-94A2-D52322585504}", u"coupon type"),
    record_class<&commercial_info_layout>(u"RegistroInfComercial", u"_RegistroInfComercial",
                                          u"{C3CD0E7E-D6A3-4F1F-A05E-34DAA6FE1FC5}",
                                          u"{84E429A2-C1C8-471D-A82F-52C6E500A038}",
                                          u"guest commercial information"),
    record_class<&config_table_layout>(
        u"RegistroTablaConfiguracion", u"_RegistroTablaConfiguracion",
        u"{22F642CE-81D2-4212-B3C6-226D5E898EA9}", u"{1A3170DD-AEB3-4671-AA46-90D11BD83CB9}",
        u"configuration table"),
    record_class<&state_table_layout>(u"RegistroTablaEstado", u"_RegistroTablaEstado",
                                      u"{5D35DD75-ED23-415C-B6E1-FAADDFFB0199}",
                                      u"{B0534F2F-6E6E-43E7-8A19-BE58E3C56670}", u"state table"),
}};

const LibraryDescription kLibrary{kTypeLibrary, {}, kClasses};

}  // namespace

const LibraryDescription& published_library() {
  return kLibrary;
}

}  // namespace halvora::sdk
