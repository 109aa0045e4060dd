// The e-invoicing component's record classes: an invoice's header (DocumentoFactura) and its
// lines (RenglonFactura), a mail message (MensajeCorreo), an account statement (EstadoCuenta) and
// its movements (MovimientoEdoCta), and a guest's registration (RegistroHuesped, 201 members).
// Each is a fixed, ordered set of typed properties, readable and writable by name; the two
// headers take their lines or movements through a method, as copies.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace halvora::einvoice {

// One property: its name and its type (String, Double, Integer, Date or Boolean).
struct FieldDef {
  const char16_t* name;
  VarType type;
};

struct RecordClass {
  const char16_t* name;
  std::span<const FieldDef> fields;
  const MemberTable* members;
};

class Record : public Object {
 public:
  explicit Record(const RecordClass& record_class);

  const RecordClass& record_class() const { return *class_; }
  const std::vector<Variant>& values() const { return values_; }
  const Variant& value(std::size_t position) const { return values_.at(position); }
  // Converted to the property's type by the platform's rules (13, 6).
  void set(std::size_t position, const Variant& value);
  // The position of a property by name, letter case aside; npos when it has none.
  std::size_t find(std::u16string_view name) const;

  // {"Name": value, ...} in property order.
  std::string fields_json() const;

  const MemberTable& members() const override { return *class_->members; }
  std::u16string type_name() const override { return class_->name; }
  // Clients let go of a record by assigning it the null value; it keeps its values.
  void assign_default(const Variant& value) override;

 private:
  const RecordClass* class_;
  std::vector<Variant> values_;
};

class RenglonFactura : public Record {
 public:
  RenglonFactura();
  static const RecordClass& description();
};

class DocumentoFactura : public Record {
 public:
  DocumentoFactura();
  static const RecordClass& description();

  // Takes a copy of the line as it stands: later writes to that object do not change the
  // document. No line is 91.
  void AnexarRenglon(std::shared_ptr<RenglonFactura> line);

  const std::vector<std::vector<Variant>>& lines() const { return lines_; }
  // {"fields": {...}, "lines": [{...}, ...]}: what the server reads.
  std::string to_json() const;

 private:
  std::vector<std::vector<Variant>> lines_;
};

class MensajeCorreo : public Record {
 public:
  MensajeCorreo();
  static const RecordClass& description();
};

class MovimientoEdoCta : public Record {
 public:
  MovimientoEdoCta();
  static const RecordClass& description();
};

class EstadoCuenta : public Record {
 public:
  EstadoCuenta();
  static const RecordClass& description();

  // Keeps a copy of the movement; the caller's reference stays on the same movement, so passing
  // it again adds it again.
  void AddDetalle(std::shared_ptr<MovimientoEdoCta>& movement);

  const std::vector<std::vector<Variant>>& movements() const { return movements_; }
  // {"fields": {...}, "movements": [{...}, ...]}.
  std::string to_json() const;

 private:
  std::vector<std::vector<Variant>> movements_;
};

class RegistroHuesped : public Record {
 public:
  RegistroHuesped();
  static const RecordClass& description();
  std::string to_json() const;  // {"fields": {...}}
};

// A new record of the named class, letter case aside; null for any other name.
ObjectRef create_record(std::u16string_view class_name);

// The value a property of the type holds before anything is written.
Variant initial_value(VarType type);

}  // namespace halvora::einvoice
