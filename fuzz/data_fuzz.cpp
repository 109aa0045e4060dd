// The hotel-data classes with any answer from the database SDK: the record and entry splits, the
// record fills of every field table, and every member of the nine classes driven through a fake
// SDK at the component seam whose operations answer the fuzzer's texts.
//
// Input: a byte choosing the class, a byte choosing the separator the host hands the split
// members, then UTF-8 answer texts separated by NUL; the SDK's operations answer them in turn.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/collection.h"
#include "automation/error.h"
#include "automation/members.h"
#include "automation/text.h"
#include "data/confi.h"
#include "data/cupones.h"
#include "data/db_capct.h"
#include "data/db_datos.h"
#include "data/inf_com.h"
#include "data/mashue72.h"
#include "data/sdk_conventions.h"
#include "data/tab_conf.h"
#include "data/tab_est.h"
#include "data/tab_ht.h"
#include "library/wiring.h"
#include "support/fake_sdk.h"

namespace {

using namespace halvora;

struct DataClass {
  ObjectRef (*make)();
};

template <class C>
ObjectRef make() {
  return std::make_shared<C>();
}

constexpr DataClass kClasses[] = {
    {&make<Db_Datos>}, {&make<Confi>},  {&make<Tab_ht>},  {&make<MASHUE72>}, {&make<DB_CAPCT>},
    {&make<CUPONES>},  {&make<InfCom>}, {&make<TabConf>}, {&make<TAB_EST>},
};

struct Table {
  std::u16string_view record_class;
  std::span<const sdk::Field> (*fields)();
};

const Table kTables[] = {
    {Db_Datos::kRecordClass, &Db_Datos::field_table},
    {Confi::kRecordClass, &Confi::field_table},
    {Tab_ht::kRecordClass, &Tab_ht::field_table},
    {MASHUE72::kRecordClass, &MASHUE72::field_table},
    {DB_CAPCT::kRecordClass, &DB_CAPCT::field_table},
    {CUPONES::kCouponClass, &CUPONES::coupon_fields},
    {CUPONES::kTypeClass, &CUPONES::type_fields},
    {InfCom::kRecordClass, &InfCom::field_table},
    {TabConf::kRecordClass, &TabConf::field_table},
    {TAB_EST::kRecordClass, &TAB_EST::field_table},
};

constexpr std::u16string_view kSeparators[] = {u"|", u"*", u"", u"||", u",", u"|*"};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "data fuzz: %s\n", what);
  std::abort();
}

std::vector<std::u16string> answers_of(std::string_view input) {
  std::vector<std::u16string> out;
  for (;;) {
    std::size_t nul = input.find('\0');
    out.push_back(utf8_to_utf16(input.substr(0, nul)));
    if (nul == std::string_view::npos) return out;
    input.remove_prefix(nul + 1);
  }
}

// The splits keep everything: the pieces joined at the separator give the text back.
void check_cut(std::u16string_view text, std::u16string_view separator) {
  std::vector<std::u16string_view> pieces = sdk::cut(text, separator);
  if (text.empty()) {
    if (!pieces.empty()) fail("an empty text has pieces");
    return;
  }
  std::u16string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i) joined += separator;
    joined += pieces[i];
  }
  if (joined != text) fail("the pieces do not join back into the text");
}

void split_and_fill(std::u16string_view text, std::u16string_view separator) {
  check_cut(text, separator);
  for (sdk::Entries mode : {sdk::Entries::SkipBlank, sdk::Entries::KeepAll}) {
    Collection entries;
    try {
      sdk::add_entries(entries, text, mode);
    } catch (const Error& e) {
      if (e.number() != err::kOverflow) fail("an entry split failed other than by overflow");
    }
  }
  std::vector<std::u16string_view> pieces = sdk::cut(text, sdk::kFieldSeparator);
  CollectionRef list = Collection::create();
  try {
    sdk::add_fields(*list, text, sdk::kFieldSeparator);
  } catch (const Error&) {
    list = Collection::create();
  }
  for (const Table& table : kTables) {
    ObjectRef slot;
    try {
      sdk::fill_from_pieces(slot, table.record_class, pieces, table.fields());
      if (!slot) fail("a fill from pieces left no record");
    } catch (const Error&) {
    }
    try {
      sdk::fill_record(slot, table.record_class, list, table.fields());
    } catch (const Error&) {
    }
  }
}

// Every member of the object, in its table's order: data members read, methods called with the
// answer text for text parameters, the chosen separator for the split's, numbers for the rest.
void drive(Object& object, std::u16string_view text, std::u16string_view separator, double number) {
  for (const Member& member : object.members().members()) {
    std::vector<Variant> args;
    for (const ParamInfo& param : member.params) {
      if (param.name == u"Simbolo" || param.name == u"Separador")
        args.emplace_back(separator);
      else if (param.type == VarType::String || param.type == VarType::Variant)
        args.emplace_back(text);
      else
        args.emplace_back(number);
    }
    CallKind kind = member.kind == MemberKind::Method ? CallKind::Method : CallKind::Get;
    try {
      invoke(object, member, kind, args);
    } catch (const Error&) {
      // The SDK's answers may not read; what matters is that nothing breaks.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  wire_library();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const DataClass& chosen = kClasses[data[0] % std::size(kClasses)];
  std::u16string_view separator = kSeparators[data[1] % std::size(kSeparators)];
  std::vector<std::u16string> answers =
      answers_of(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));

  // Every table's fill from the first answer only: making records is what costs, and the
  // fuzzer learns as much from one text per run.
  split_and_fill(answers.front(), separator);
  for (const std::u16string& text : answers) check_cut(text, separator);

  test::FakeWorld world;
  // Conectar answers 1 unless the class byte asks for the answer text, so most runs get past it.
  std::size_t next = 0;
  for (const test::FakeOperation& op : test::kFakeOperations) {
    if (std::u16string_view(op.name) == u"Conectar" && data[0] < 128)
      world.answer(op.name, Variant(int32_t{1}));
    else
      world.answer(op.name, Variant(answers[next++ % answers.size()]));
  }
  ObjectRef object = chosen.make();
  drive(*object, answers.front(), separator, static_cast<double>(size));
  return 0;
}
