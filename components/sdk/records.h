// The SDK's record classes: fixed, ordered sets of typed properties. Each class is a layout
// (names and types by position) plus the order in which its answers list the fields.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace halvora::sdk {

struct FieldInfo {
  std::u16string name;  // the column name where one is known, else "Campo" + three digits
  VarType type;         // Long, Double, Date, String or Boolean
};

struct RecordLayout {
  std::u16string_view class_name;
  std::u16string_view table;        // where the substitute keeps these records
  std::vector<FieldInfo> fields;    // by position
  std::vector<std::size_t> answer;  // positions in the order answers list them
  const MemberTable* members = nullptr;
};

const RecordLayout& guest_layout();            // RegistroDatosHuesped
const RecordLayout& charge_layout();           // RegistroCargo
const RecordLayout& config_layout();           // RegistroConfiguracion
const RecordLayout& hotel_table_layout();      // RegistroTablaHotel
const RecordLayout& guest_master_layout();     // RegistroMaestroHuesped
const RecordLayout& coupon_layout();           // RegistroCupon
const RecordLayout& coupon_type_layout();      // RegistroTipoCupon
const RecordLayout& commercial_info_layout();  // RegistroInfComercial
const RecordLayout& config_table_layout();     // RegistroTablaConfiguracion
const RecordLayout& state_table_layout();      // RegistroTablaEstado
// Every record class of the substitute, the two above first.
std::span<const RecordLayout* const> record_layouts();

// Fields of the charge record with a meaning of the substitute's own.
namespace charge {
inline constexpr std::size_t kNumber = 0;  // assigned by RegistrarCargo
inline constexpr std::size_t kRoom = 1;
inline constexpr std::size_t kGuest = 2;
inline constexpr std::size_t kCheck = 3;
inline constexpr std::size_t kAccount = 4;
inline constexpr std::size_t kAmount = 5;
inline constexpr std::size_t kDate = 9;
inline constexpr std::size_t kConcept = 12;
inline constexpr std::size_t kDescription = 15;
inline constexpr std::size_t kCancelled = 24;
inline constexpr std::size_t kGroup = 25;  // non-empty: the charge belongs to a group account
}  // namespace charge

// Fields of the guest record that the look-ups match on.
namespace guest {
inline constexpr std::size_t kName = 1;     // NOMBREDA
inline constexpr std::size_t kStatus = 2;   // STATUSDA
inline constexpr std::size_t kRoom = 8;     // NUMHABDA
inline constexpr std::size_t kNumber = 56;  // NUMHUESDA
// The status of a guest who is in the house.
inline constexpr char16_t kInHouse[] = u"A";
}  // namespace guest

// Fields of the later record classes that the look-ups match on (the substitute's own choice).
namespace master {
inline constexpr std::size_t kNumber = 0;       // Long: the master record's number
inline constexpr std::size_t kGuestNumber = 1;  // Double
inline constexpr std::size_t kName = 6;         // String
}  // namespace master
namespace coupon {
inline constexpr std::size_t kNumber = 0;  // Long: assigned by GuardarCupon when 0
inline constexpr std::size_t kGuest = 1;   // Double: the guest number
inline constexpr std::size_t kRoom = 2;    // Double
inline constexpr std::size_t kAmount = 3;  // Double
inline constexpr std::size_t kType = 4;    // Double: the coupon type's number
inline constexpr std::size_t kStatus = 5;  // String
inline constexpr std::size_t kDate = 6;    // Date
}  // namespace coupon
namespace coupon_type {
inline constexpr std::size_t kNumber = 0;  // Long
inline constexpr std::size_t kKey = 1;     // String
inline constexpr std::size_t kName = 2;    // String
inline constexpr std::size_t kValue = 3;   // Double
}  // namespace coupon_type
namespace config_table {
inline constexpr std::size_t kNumber = 0;       // Long
inline constexpr std::size_t kKey = 1;          // String: the table key
inline constexpr std::size_t kType = 2;         // String: the table type
inline constexpr std::size_t kDescription = 3;  // String
}  // namespace config_table
namespace state_table {
inline constexpr std::size_t kNumber = 0;        // Long
inline constexpr std::size_t kType = 1;          // String: the table type
inline constexpr std::size_t kKey = 2;           // String: the state's key
inline constexpr std::size_t kDescription = 43;  // String
}  // namespace state_table
namespace commercial {
inline constexpr std::size_t kNumber = 0;        // Long
inline constexpr std::size_t kStatus = 1;        // String: the guest's status
inline constexpr std::size_t kCompany = 2;       // String
inline constexpr std::size_t kTaxId = 3;         // String
inline constexpr std::size_t kContact = 7;       // String
inline constexpr std::size_t kGuest = 10;        // Double: the guest number
inline constexpr std::size_t kCreditLimit = 11;  // Double
inline constexpr std::size_t kDiscount = 12;     // Double
inline constexpr std::size_t kActive = 16;       // Boolean
}  // namespace commercial

// The value a property of the type holds before anything is set.
Variant initial_value(VarType type);

class Record : public Object {
 public:
  explicit Record(const RecordLayout& layout);

  const RecordLayout& layout() const { return *layout_; }
  const Variant& value(std::size_t position) const { return values_.at(position); }
  // Converted to the property's type with the platform's rules (13, 6).
  void set(std::size_t position, const Variant& value);
  // The position of a property by name (case-insensitive); npos when unknown.
  std::size_t find(std::u16string_view name) const;

  const MemberTable& members() const override { return *layout_->members; }
  std::u16string type_name() const override { return std::u16string(layout_->class_name); }

 private:
  const RecordLayout* layout_;
  std::vector<Variant> values_;
};

using RecordRef = std::shared_ptr<Record>;

// A new record of the named class; null for a class this substitute does not have.
RecordRef create_record(std::u16string_view class_name);

// A value as it appears in a delimited answer, with the regional settings; a Double with the
// digits that read back as the same Double.
std::u16string answer_text(const Variant& value);

// Throws 5 when a text field holds "|" or "*": the delimited answers could not carry it back.
void check_storable(const RecordLayout& layout, const std::vector<Variant>& values);

}  // namespace halvora::sdk
