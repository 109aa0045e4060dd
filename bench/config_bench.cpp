// The configuration record: GetConfiConfig from the SDK's answer to the filled record of 221
// properties, beside the split of the same answer alone. The connection is a stand-in that
// answers at once, so only the library's work and the record's property sets are measured; the
// record is the bundled substitute's.
#include <benchmark/benchmark.h>

#include <string>

#include "automation/conversions.h"
#include "automation/members.h"
#include "data/confi.h"
#include "data/sdk_conventions.h"
#include "platform/components.h"
#include "sdk/records.h"

namespace halvora {
namespace {

// A configuration text whose every item reads as its type.
std::u16string config_text() {
  std::u16string text;
  auto fields = Confi::field_table();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) text += u"|";
    switch (fields[i].type) {
      case sdk::FieldType::String:
        text += u"CONFIGURATION VALUE";
        break;
      case sdk::FieldType::Boolean:
        text += u"True";
        break;
      case sdk::FieldType::Date:
        text += u"1/2/2024";
        break;
      default:
        text += u"16";
    }
  }
  return text;
}

class InstantConnection : public Object {
 public:
  int32_t Conectar(const std::u16string&, const std::u16string&, const std::u16string&) {
    return 1;
  }
  std::u16string LeerConfiguracion() { return config_text(); }

  const MemberTable& members() const override {
    static const MemberTable table{
        method<&InstantConnection::Conectar>(u"Conectar", {u"pcDir", u"pcUser", u"pcPass"}),
        method<&InstantConnection::LeerConfiguracion>(u"LeerConfiguracion"),
    };
    return table;
  }
  std::u16string type_name() const override { return u"ConexionSdk"; }
};

ObjectRef create(std::u16string_view class_name) {
  if (class_name == u"ConexionSdk") return std::make_shared<InstantConnection>();
  return sdk::create_record(class_name);
}

void BM_GetConfiConfig221(benchmark::State& state) {
  set_regional(RegionalSettings{});
  platform::ComponentFactory previous = platform::set_component_factory(&create);
  Confi confi;
  std::u16string user = u"u", pass = u"p";
  confi.TelvarConectarLobix(u"hotel", user, pass);
  for (auto _ : state) {
    confi.GetConfiConfig();
    benchmark::DoNotOptimize(confi.Confi_Sdk_Info.get());
  }
  platform::set_component_factory(previous);
}
BENCHMARK(BM_GetConfiConfig221)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The record split of the same text alone, into a collection as GetConfiConfig makes it.
void BM_GetConfiConfigSplitOnly(benchmark::State& state) {
  const std::u16string text = config_text();
  for (auto _ : state) {
    Collection fields;
    sdk::add_fields(fields, text, sdk::kFieldSeparator);
    benchmark::DoNotOptimize(fields.Count());
  }
}
BENCHMARK(BM_GetConfiConfigSplitOnly)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace halvora
