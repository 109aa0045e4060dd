// Outside components and outside objects: which component answers a creation (HALVORA_COMPONENTS,
// the registered identifiers, the order of the sources), the SDK substitute's own description as a
// COM server, and the data classes and the substitute handed objects of other makers (a host's own
// collection or record), which they reach by name only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/text.h"
#include "com/gen/idl_writer.h"
#include "data/cupones.h"
#include "data/db_capct.h"
#include "data/db_datos.h"
#include "einvoice/type_library.h"
#include "library/registry.h"
#include "platform/components.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"
#include "sdk/type_library.h"
#include "support/calls.h"
#include "support/fake_sdk.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::error_of;

// ---- Which component answers -------------------------------------------------------------------

TEST(ComponentSource, Setting) {
  using enum platform::ComponentSource;
  struct Case {
    const char* text;
    std::optional<platform::ComponentSource> source;
  };
  const Case cases[] = {
      {"", Auto},
      {" \t", Auto},
      {"auto", Auto},
      {"AUTO", Auto},
      {" Registered ", Registered},
      {"bundled", Bundled},
      {"registred", std::nullopt},
      {"auto,bundled", std::nullopt},
      {"1", std::nullopt},
      {"bundledx", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::parse_component_source(c.text), c.source) << c.text;
}

TEST(ComponentSource, RegisteredIdentifiers) {
  struct Case {
    std::u16string_view class_name;
    std::u16string_view identifier;
  };
  const Case cases[] = {
      {u"ConexionSdk", u"LobixSdkCore.ConexionSdk"},
      {u"registrocargo", u"LobixSdkCore.RegistroCargo"},  // spelt as the family spells it
      {u"RegistroTablaEstado", u"LobixSdkCore.RegistroTablaEstado"},
      {u"servidorfacturacion", u"HalvoraFacturacion.ServidorFacturacion"},
      {u"RegistroHuesped", u"HalvoraFacturacion.RegistroHuesped"},
      {u"Factura", u""},
      {u"LobixSdkCore.ConexionSdk", u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::registered_identifier(c.class_name), c.identifier)
        << utf16_to_utf8(c.class_name);
}

// The e-invoicing component's prefix is the deployment's to name; the SDK's is fixed. Identifiers
// read back into classes under the prefix in force only.
TEST(ComponentSource, ConfiguredPrefix) {
  struct Case {
    const char* setting;  // HALVORA_EINVOICE_COMPONENT; nullptr: unset
    std::u16string_view class_name, identifier;
    std::u16string_view read_back, read_class;  // an identifier, and the class it names
  };
  const Case cases[] = {
      {nullptr, u"MensajeCorreo", u"HalvoraFacturacion.MensajeCorreo",
       u"halvorafacturacion.mensajecorreo", u"MensajeCorreo"},
      {"  ", u"EstadoCuenta", u"HalvoraFacturacion.EstadoCuenta",
       u"HalvoraFacturacion.EstadoCuenta", u"EstadoCuenta"},
      {" FacturasMaker ", u"ServidorFacturacion", u"FacturasMaker.ServidorFacturacion",
       u"FacturasMaker.ServidorFacturacion", u"ServidorFacturacion"},
      // Under another prefix the substitute's own identifiers name nothing.
      {"FacturasMaker", u"DocumentoFactura", u"FacturasMaker.DocumentoFactura",
       u"HalvoraFacturacion.DocumentoFactura", u""},
      // A prefix with a dot of its own: the class is what follows the last one.
      {"Maker.Facturas", u"RenglonFactura", u"Maker.Facturas.RenglonFactura",
       u"Maker.Facturas.RenglonFactura", u"RenglonFactura"},
      // The SDK's prefix stays whatever the setting.
      {"FacturasMaker", u"RegistroCargo", u"LobixSdkCore.RegistroCargo",
       u"LobixSdkCore.RegistroCargo", u"RegistroCargo"},
      {nullptr, u"Factura", u"", u"HALVORA.Factura", u""},
      {nullptr, u"", u"", u"HalvoraFacturacion.", u""},
      {nullptr, u"", u"", u"ServidorFacturacion", u""},
  };
  for (const Case& c : cases) {
    test::ScopedEnv env(platform::kEinvoiceComponentSetting, c.setting);
    const char* label = c.setting ? c.setting : "unset";
    EXPECT_EQ(platform::registered_identifier(c.class_name), c.identifier) << label;
    EXPECT_EQ(platform::class_of_identifier(c.read_back), c.read_class)
        << label << " " << utf16_to_utf8(c.read_back);
  }
}

// Stand-ins for the machine's registered components and the bundled substitutes: each makes the
// names it is told to and logs what it was asked.
struct Sources {
  std::set<std::u16string> registered;  // identifiers registered
  bool registered_broken = false;       // registered, but creation fails
  std::set<std::u16string> bundled;     // class names bundled
  std::vector<std::u16string> asked;    // "registered:<id>" / "bundled:<name>"
};
Sources* g_sources = nullptr;

class Made : public Object {
 public:
  explicit Made(std::u16string from) : from_(std::move(from)) {}
  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }
  std::u16string type_name() const override { return from_; }

 private:
  std::u16string from_;
};

ObjectRef fake_registered(std::u16string_view identifier) {
  g_sources->asked.push_back(u"registered:" + std::u16string(identifier));
  if (!g_sources->registered.count(std::u16string(identifier))) return nullptr;
  if (g_sources->registered_broken) throw Error::standard(err::kCannotCreate);
  return std::make_shared<Made>(u"registered");
}

ObjectRef fake_bundled(std::u16string_view name) {
  g_sources->asked.push_back(u"bundled:" + std::u16string(name));
  if (!g_sources->bundled.count(std::u16string(name))) return nullptr;
  return std::make_shared<Made>(u"bundled");
}

class ComponentCreation : public ::testing::Test {
 protected:
  void SetUp() override {
    g_sources = &sources;
    previous_registered_ = platform::set_registered_components(&fake_registered);
    previous_bundled_ = platform::set_bundled_components(&fake_bundled);
  }
  void TearDown() override {
    platform::set_registered_components(previous_registered_);
    platform::set_bundled_components(previous_bundled_);
    g_sources = nullptr;
  }
  // Who made the object, or the error number.
  std::u16string create(const char* setting, std::u16string_view class_name) {
    test::ScopedEnv env("HALVORA_COMPONENTS", setting);
    try {
      return platform::create_component(class_name)->type_name();
    } catch (const Error& e) {
      return utf8_to_utf16(std::to_string(e.number()));
    }
  }
  Sources sources;

 private:
  platform::ComponentFactory previous_registered_ = nullptr;
  platform::ComponentFactory previous_bundled_ = nullptr;
};

TEST_F(ComponentCreation, OrderBySetting) {
  const std::u16string id = u"LobixSdkCore.RegistroCargo";
  struct Case {
    const char* setting;  // nullptr: unset
    bool registered, broken, bundled;
    std::u16string_view made;
    std::vector<std::u16string> asked;
  };
  const Case cases[] = {
      {nullptr, true, false, true, u"registered", {u"registered:" + id}},
      {"auto", false, false, true, u"bundled", {u"registered:" + id, u"bundled:RegistroCargo"}},
      {"auto", false, false, false, u"429", {u"registered:" + id, u"bundled:RegistroCargo"}},
      // A registration that cannot be made fails rather than falling back to a stand-in.
      {"auto", true, true, true, u"429", {u"registered:" + id}},
      {"registered", true, false, true, u"registered", {u"registered:" + id}},
      {"registered", false, false, true, u"429", {u"registered:" + id}},
      {"bundled", true, false, true, u"bundled", {u"bundled:RegistroCargo"}},
      {"bundled", true, false, false, u"429", {u"bundled:RegistroCargo"}},
      {"registred", true, false, true, u"429", {}},
  };
  for (const Case& c : cases) {
    sources = {};
    if (c.registered) sources.registered.insert(id);
    sources.registered_broken = c.broken;
    if (c.bundled) sources.bundled.insert(u"RegistroCargo");
    EXPECT_EQ(create(c.setting, u"RegistroCargo"), c.made) << (c.setting ? c.setting : "unset");
    EXPECT_EQ(sources.asked, c.asked) << (c.setting ? c.setting : "unset");
  }
}

// A class of no family has no registered identifier: only the bundled substitutes can make it.
TEST_F(ComponentCreation, ClassOfNoFamily) {
  sources.bundled.insert(u"Otra");
  EXPECT_EQ(create("auto", u"Otra"), u"bundled");
  EXPECT_EQ(sources.asked, std::vector<std::u16string>{u"bundled:Otra"});
  EXPECT_EQ(create("registered", u"Otra"), u"429");
}

// A test's factory comes before every source and every setting.
TEST_F(ComponentCreation, TestFactoryFirst) {
  test::FakeWorld world;
  sources.registered.insert(u"LobixSdkCore.ConexionSdk");
  EXPECT_EQ(create("registered", u"ConexionSdk"), u"ConexionSdk");
  EXPECT_TRUE(sources.asked.empty());
}

// ---- The substitute as a COM server of its own -------------------------------------------------

TEST(SdkServerDescription, PublishesTheFamilyTheLibraryCreates) {
  const LibraryDescription& lib = sdk::published_library();
  EXPECT_EQ(lib.library.name, platform::kDatabaseSdk);
  const platform::ComponentFamily* family = nullptr;
  for (const platform::ComponentFamily& f : platform::component_families())
    if (f.prefix == lib.library.name) family = &f;
  ASSERT_NE(family, nullptr);
  ASSERT_EQ(lib.classes.size(), family->classes.size());

  const LibraryDescription& ours = halvora::published_library();
  std::set<std::u16string_view> guids{lib.library.guid, ours.library.guid};
  for (const ClassInfo& c : ours.classes) guids.insert({c.clsid, c.iid});
  const std::size_t before = guids.size();
  for (std::size_t i = 0; i < lib.classes.size(); ++i) {
    const ClassInfo& c = lib.classes[i];
    EXPECT_EQ(c.name, family->classes[i]);
    EXPECT_EQ(c.interface_name, u"_" + std::u16string(c.name));
    EXPECT_EQ(lib.progid(c), platform::registered_identifier(c.name));
    EXPECT_EQ(lib.find(lib.progid(c)), &c);
    ASSERT_TRUE(c.creatable());
    ObjectRef made = c.create();
    EXPECT_EQ(made->type_name(), c.name);
    EXPECT_EQ(&made->members(), c.members());
    guids.insert({c.clsid, c.iid});
    EXPECT_EQ(c.clsid.size(), 38u);
  }
  // Fixed identifiers of their own: none repeats, none is the library's.
  EXPECT_EQ(guids.size(), before + 2 * lib.classes.size());
}

bool has_line(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

// The generator writes the SDK's server from the same code as the library's.
TEST(SdkServerDescription, GeneratedTypeLibraryAndGlue) {
  const LibraryDescription& lib = sdk::published_library();
  const std::string idl = comgen::idl_text(lib);
  for (const char* piece : {
           "library LobixSdkCore\n",
           "  coclass RegistroCargo {\n    [default] interface _RegistroCargo;\n",
           "    [id(0x60030002)] HRESULT Conectar([in] BSTR pcDir, [in] BSTR pcUser, [in] BSTR "
           "pcPass, [out, retval] long* pRetVal);\n",
           "    [id(0x60030007)] HRESULT RegistrarCargo([in] IDispatch* Cargo, [out, retval] "
           "double* pRetVal);\n",
           "    [id(0x40030001), propput] HRESULT NOMBREDA([in] BSTR RHS);\n",
       })
    EXPECT_NE(idl.find(piece), std::string::npos) << piece;
  EXPECT_EQ(idl.find("HALVORA"), std::string::npos);

  const std::string listing = comgen::expected_typelib_text(lib);
  EXPECT_TRUE(has_line(listing, "_RegistroCargo Campo012 0x4003000C get 0 BSTR*"));
  EXPECT_TRUE(has_line(listing, "_RegistroCargo Campo012 0x4003000C put 1 BSTR"));
  EXPECT_TRUE(has_line(listing,
                       "coclass ConexionSdk {95F3F235-8C18-496D-A41C-6C5858BF27B8} "
                       "{0493833C-D500-4022-A16E-BCC6827C32EA} -"));

  const std::string glue = comgen::glue_text(lib);
  EXPECT_NE(glue.find("#include \"LobixSdkCore_h.h\""), std::string::npos);
  EXPECT_NE(glue.find("{u\"RegistroCupon\", &CLSID_RegistroCupon, &IID__RegistroCupon, "
                      "&make_RegistroCupon},"),
            std::string::npos);
}

// The e-invoicing component's server is written from its own description by the same generator.
TEST(EinvoiceServerDescription, PublishesTheFamilyTheLibraryCreates) {
  const LibraryDescription& lib = einvoice::published_library();
  EXPECT_EQ(lib.library.name, platform::kEinvoiceComponent);
  const platform::ComponentFamily* family = nullptr;
  for (const platform::ComponentFamily& f : platform::component_families())
    if (f.prefix == lib.library.name) family = &f;
  ASSERT_NE(family, nullptr);
  ASSERT_EQ(lib.classes.size(), family->classes.size());

  std::set<std::u16string_view> guids{lib.library.guid, halvora::published_library().library.guid,
                                      sdk::published_library().library.guid};
  for (const LibraryDescription* other : {&halvora::published_library(), &sdk::published_library()})
    for (const ClassInfo& c : other->classes) guids.insert({c.clsid, c.iid});
  const std::size_t before = guids.size();
  for (std::size_t i = 0; i < lib.classes.size(); ++i) {
    const ClassInfo& c = lib.classes[i];
    EXPECT_EQ(c.name, family->classes[i]);
    EXPECT_EQ(c.interface_name, u"_" + std::u16string(c.name));
    EXPECT_EQ(lib.progid(c), platform::registered_identifier(c.name));
    ASSERT_TRUE(c.creatable());
    ObjectRef made = c.create();
    EXPECT_EQ(made->type_name(), c.name);
    EXPECT_EQ(&made->members(), c.members());
    // The same members as the object the library gets from the bundled component.
    EXPECT_EQ(&platform::create_component(c.name)->members(), c.members());
    guids.insert({c.clsid, c.iid});
  }
  EXPECT_EQ(guids.size(), before + 2 * lib.classes.size());

  const std::string idl = comgen::idl_text(lib);
  for (const char* piece : {
           "library HalvoraFacturacion\n",
           "    [id(0x60030001)] HRESULT EmitirFactura([in] long Sucursal, [in] long Folio, [in] "
           "IDispatch* Documento, [out, retval] BSTR* pRetVal);\n",
           "    [id(0x6003000C)] HRESULT Conectar([in] BSTR Ubicacion, [in] BSTR Usuario, [in] "
           "BSTR "
           "Contrasena, [out, retval] long* pRetVal);\n",
           // The movement goes by reference, as the statement class hands it over.
           "    [id(0x60030000)] HRESULT AddDetalle([in, out] IDispatch** Detalle);\n",
           "    [id(0x40030016), propput] HRESULT numresda([in] double RHS);\n",
           "    [id(0x40030009), propget] HRESULT ExcluirDelCFD([out, retval] VARIANT_BOOL* "
           "pRetVal);\n",
       })
    EXPECT_NE(idl.find(piece), std::string::npos) << piece;
  EXPECT_EQ(idl.find("HALVORA"), std::string::npos);
  EXPECT_NE(comgen::glue_text(lib).find("#include \"HalvoraFacturacion_h.h\""), std::string::npos);
}

// ---- Objects of other makers -------------------------------------------------------------------

// A record a host made itself (or one of a registered SDK): typed properties by name only, and the
// class name its type information gives.
class OutsideRecord : public Object {
 public:
  OutsideRecord(std::u16string type, const sdk::RecordLayout& layout) : type_(std::move(type)) {
    for (const sdk::FieldInfo& f : layout.fields)
      values[lower_case(f.name)] = sdk::initial_value(f.type);
  }
  std::map<std::u16string, Variant> values;  // by lower-case name
  std::vector<std::u16string> written;       // names of the properties set

  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }
  std::u16string type_name() const override { return type_; }
  bool outside() const override { return true; }

  Variant invoke_by_name(std::u16string_view name, CallKind kind,
                         std::span<Variant> args) override {
    auto it = values.find(lower_case(name));
    if (it == values.end()) throw Error::standard(err::kNoSuchMember);
    if (kind == CallKind::Let) {
      it->second = args[0];
      written.emplace_back(name);
      return {};
    }
    return it->second;
  }
  Variant& field(const sdk::RecordLayout& layout, std::size_t position) {
    return values.at(lower_case(layout.fields.at(position).name));
  }

 private:
  std::u16string type_;
};

// A host's collection: Count and Item by name only.
class OutsideFields : public Object {
 public:
  std::vector<Variant> items;
  int reads = 0;
  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }
  std::u16string type_name() const override { return u"Collection"; }
  bool outside() const override { return true; }
  Variant invoke_by_name(std::u16string_view name, CallKind, std::span<Variant> args) override {
    ++reads;
    if (iequals(name, u"Count")) return Variant(static_cast<int32_t>(items.size()));
    if (iequals(name, u"Item")) return items.at(static_cast<std::size_t>(to_long(args[0]) - 1));
    throw Error::standard(err::kNoSuchMember);
  }
};

class OutsideObjectsInDataClasses : public ::testing::Test {
 protected:
  void SetUp() override {
    world.answer(u"Conectar", Variant(int32_t{1}));
    for (Object* o : {static_cast<Object*>(&guests), static_cast<Object*>(&charges),
                      static_cast<Object*>(&coupons)}) {
      std::vector<Variant> args{Variant(u"d"), Variant(u"u"), Variant(u"p")};
      invoke(*o, u"TelvarConectarLobix", CallKind::Method, args);
    }
    world.calls.clear();
  }
  test::RegionalScope regional;
  test::FakeWorld world;
  Db_Datos guests;
  DB_CAPCT charges;
  CUPONES coupons;
};

// GetEntityObject reads the host's collection through its Count and Item.
TEST_F(OutsideObjectsInDataClasses, RecordFilledFromTheHostsCollection) {
  auto fields = std::make_shared<OutsideFields>();
  for (const sdk::Field& f : Db_Datos::field_table())
    fields->items.emplace_back(f.type == sdk::FieldType::String ? u"texto"
                               : f.type == sdk::FieldType::Date ? u"2/1/2025"
                                                                : u"7");
  test::put(guests, u"ListaResultados", fields);
  EXPECT_EQ(guests.ListaResultados, fields);
  test::call(guests, u"GetEntityObject");
  EXPECT_EQ(fields->reads, 1 + static_cast<int>(Db_Datos::field_table().size()));
  auto& record = dynamic_cast<test::FakeRecord&>(*guests.Db_Datos_Sdk_Info);
  EXPECT_EQ(record.sets.at(1).property, u"NOMBREDA");
  EXPECT_EQ(record.sets.at(1).value, Variant(u"texto"));
  // A look-up replaces the host's collection with the library's own, as it always replaces it.
  test::call(guests, u"GetHuespedByNumHab", {u"101", u"A"});
  EXPECT_NE(guests.ListaResultados, fields);
}

// A host's record goes to the SDK as it is, once its TypeName says it is of the operation's class.
TEST_F(OutsideObjectsInDataClasses, HostsRecordGoesToTheSdkUnchanged) {
  struct Case {
    Object* data;
    std::u16string_view property, member, operation, record_class;
    const sdk::RecordLayout& layout;
  };
  const Case cases[] = {
      {&charges, u"Db_CapCt_Sdk_Info", u"CapCt_Findby", u"BuscarCargos", u"RegistroCargo",
       sdk::charge_layout()},
      {&charges, u"Db_CapCt_Sdk_Info", u"GenerarCargo", u"RegistrarCargo", u"RegistroCargo",
       sdk::charge_layout()},
      {&coupons, u"Cupones_Sdk_Info", u"DbCupones_Save", u"GuardarCupon", u"RegistroCupon",
       sdk::coupon_layout()},
  };
  for (const Case& c : cases) {
    std::string what = utf16_to_utf8(c.member);
    auto mine = std::make_shared<OutsideRecord>(std::u16string(c.record_class), c.layout);
    test::put(*c.data, c.property, mine);
    world.calls.clear();
    world.answer(std::u16string(c.operation), Variant(int32_t{0}));
    test::call(*c.data, c.member);
    ASSERT_EQ(world.calls.size(), 1u) << what;
    EXPECT_EQ(world.calls[0].operation, c.operation) << what;
    EXPECT_EQ(world.calls[0].args.at(0).object(), mine) << what;
    EXPECT_TRUE(mine->written.empty()) << what;  // the library never writes into it

    // An object whose class is another: 13 before the SDK sees it.
    test::put(*c.data, c.property, std::make_shared<OutsideRecord>(u"Object", c.layout));
    world.calls.clear();
    EXPECT_EQ(error_of([&] { test::call(*c.data, c.member); }), err::kTypeMismatch) << what;
    EXPECT_TRUE(world.calls.empty()) << what;
  }
}

// The substitute reads a record of another maker by name, and writes back what it assigns.
class OutsideRecordsInTheSubstitute : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvora-outside-XXXXXX";
    dir_ = mkdtemp(pattern);
    auto db = sdk::Database::open(utf8_to_utf16(dir_ + "/hotel.db"));
    sdk::create_schema(*db);
    sdk::store_user(*db, u"recepcion", u"s3creta", 1000);
    sdk::load_demo(*db);
    db.reset();
    EXPECT_EQ(connection.Conectar(utf8_to_utf16(dir_), u"recepcion", u"s3creta"), sdk::kConnected);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  test::RegionalScope regional;
  sdk::ConexionSdk connection;
  std::string dir_;
};

TEST_F(OutsideRecordsInTheSubstitute, ExampleChargeAndCouponByName) {
  const sdk::RecordLayout& charges = sdk::charge_layout();
  auto example = std::make_shared<OutsideRecord>(u"RegistroCargo", charges);
  example->field(charges, sdk::charge::kRoom) = Variant(101.0);
  std::u16string found = connection.BuscarCargos(example);
  EXPECT_NE(found.find(u"Hospedaje"), std::u16string::npos);
  EXPECT_NE(found.find(u"Restaurante"), std::u16string::npos);
  EXPECT_EQ(found.find(u"Lavanderia"), std::u16string::npos);
  EXPECT_TRUE(example->written.empty());

  auto charge = std::make_shared<OutsideRecord>(u"RegistroCargo", charges);
  charge->field(charges, sdk::charge::kRoom) = Variant(202.0);
  charge->field(charges, sdk::charge::kAmount) = Variant(99.5);
  double number = connection.RegistrarCargo(charge);
  EXPECT_EQ(charge->field(charges, sdk::charge::kNumber), Variant(number));

  const sdk::RecordLayout& coupons = sdk::coupon_layout();
  auto coupon = std::make_shared<OutsideRecord>(u"RegistroCupon", coupons);
  coupon->field(coupons, sdk::coupon::kGuest) = Variant(1001.0);
  int32_t saved = connection.GuardarCupon(coupon);
  EXPECT_GT(saved, 0);
  EXPECT_EQ(coupon->field(coupons, sdk::coupon::kNumber), Variant(saved));
  EXPECT_EQ(coupon->written,
            std::vector<std::u16string>{coupons.fields.at(sdk::coupon::kNumber).name});

  struct Bad {
    ObjectRef record;
    int32_t error;
  };
  const Bad bad[] = {
      {std::make_shared<OutsideRecord>(u"RegistroCupon", coupons), err::kTypeMismatch},
      {std::make_shared<OutsideRecord>(u"Object", charges), err::kTypeMismatch},
      {sdk::create_record(u"RegistroCupon"), err::kTypeMismatch},
      {nullptr, err::kObjectNotSet},
  };
  for (const Bad& b : bad) EXPECT_EQ(error_of([&] { connection.BuscarCargos(b.record); }), b.error);
}

}  // namespace
}  // namespace halvora
