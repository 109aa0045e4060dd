// How every data-access class works with the hotel database SDK: its own connection, one
// late-bound operation per query, delimited answers cut into result collections, and typed SDK
// records filled from those collections by a per-class field table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/collection.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace halvora::sdk {

// The SDK's separators: fields of one record, entries of a list.
inline constexpr char16_t kFieldSeparator[] = u"|";
inline constexpr char16_t kEntrySeparator[] = u"*";

// The hosts' code counts pieces in a 16-bit Integer, and hosts rely on the overflow it raises
// rather than on a silently shortened list: more pieces than this fail before any is added,
// exactly this many fail once all of them are in.
inline constexpr std::size_t kMaxPieces = 32768;

// The connection a data-access object owns. `connected` mirrors the flag hosts have always
// seen toggled; nothing decides anything by it.
struct Connection {
  ObjectRef sdk;
  std::u16string location;
  bool connected = false;
};

// Opens `c` in the order hosts depend on: the location is copied, a new ConexionSdk replaces the
// old one, `fresh_results` gives the class its new empty results, the flag is set, and only then
// is Conectar called. Everything before Conectar stays whatever it answers or raises. True
// exactly when Conectar answers 1.
bool open(Connection& c, const std::u16string& location, const std::u16string& user,
          const std::u16string& password, const std::function<void()>& fresh_results);

// Clears the flag; the SDK is never told, and queries keep working.
void close(Connection& c);

// One operation of the connection, late-bound by name, arguments by value. 91 before the
// connection exists; the SDK's own errors pass unchanged.
Variant call(const Connection& c, std::u16string_view operation,
             std::initializer_list<Variant> args = {});

// The text of a list or record answer, as the SDK declares it: a String.
std::u16string call_text(const Connection& c, std::u16string_view operation,
                         std::initializer_list<Variant> args = {});

// ---- Splits --------------------------------------------------------------------------------

// The pieces of `text` cut at every exact occurrence of `separator`, empty pieces kept. An
// empty text has no piece; an empty separator leaves the text whole.
std::vector<std::u16string_view> cut(std::u16string_view text, std::u16string_view separator);

enum class Entries : uint8_t {
  SkipBlank,  // a piece of nothing but spaces (U+0020 only) is left out, others go in untrimmed
  KeepAll,    // every piece, empty ones included
};

// A new, empty collection of the library's own, put into a result property (which may have held
// the host's own collection) and handed back for filling.
CollectionRef fresh_list(ObjectRef& property);

// Pieces already cut, into `into` in order. 6 past kMaxPieces, counted over pieces, skipped ones
// included: with more, before any is added; with exactly that many, after all are.
void add_pieces(Collection& into, std::span<const std::u16string_view> pieces, Entries mode);

// Record split: every piece into `into`, unchanged and in order.
void add_fields(Collection& into, std::u16string_view text, std::u16string_view separator);

// Entry split at "*".
void add_entries(Collection& into, std::u16string_view text, Entries mode);

// ---- Records -------------------------------------------------------------------------------

enum class FieldType : uint8_t { String, Double, Long, Date, Boolean };

// One row of a field table: item `item` of the record list, converted to `type`, goes into the
// record property at `position`. The SDK publishes a property under its column name where the
// hotel database has one, else as "Campo" and the three-digit position.
struct Field {
  int16_t item;
  int16_t position;
  std::u16string_view column;
  FieldType type;
};

std::u16string property_name(const Field& field);

// An item as a value of the field's type, with the regional settings: 13 when it does not read
// (an empty number, date or Boolean included), 6 for a Long outside 32 bits.
Variant convert_item(const Variant& item, FieldType type);

// Record fill: a new `record_class` record goes into `slot` first, so a failure further on
// leaves the partly filled record where the host looks. An empty list leaves it at its initial
// values; a missing list is 91 and a missing item 9, both after the earlier fields are set.
// Items past the table are never read. The list may be one the host put in a result property
// (read through its Count and Item).
void fill_record(ObjectRef& slot, std::u16string_view record_class, const ObjectRef& list,
                 std::span<const Field> fields);

// Record fill from pieces a look-up cut itself: a new `record_class` record goes into `slot`, and
// only an answer of at least two pieces fills it, as far as the pieces go (9 at the first
// missing one).
void fill_from_pieces(ObjectRef& slot, std::u16string_view record_class,
                      std::span<const std::u16string_view> pieces, std::span<const Field> fields);

// A new record of an SDK record class.
ObjectRef new_record(std::u16string_view record_class);

// The record a host left in a property, for an operation that takes `record_class`: 13 for an
// object of another class (by its TypeName, so that a record the host made itself, or one of the
// registered SDK's, passes as it is), before the SDK sees it.
Variant record_argument(const ObjectRef& record, std::u16string_view record_class);

}  // namespace halvora::sdk
