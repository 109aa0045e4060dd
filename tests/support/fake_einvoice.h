// A stand-in for the e-invoicing component at the components seam, for the invoicing classes'
// tests. Its server and records answer every name themselves, as a registered component does
// (no member table of their own), and log every creation, call, property write and read, and
// null assignment, with each argument written so that its type shows and the contents of every
// record handed to an operation. The names and arities it accepts are the bundled substitute's, so
// a name the library misspells fails here as it would there.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/members.h"
#include "automation/object.h"
#include "automation/text.h"
#include "einvoice/servidor_facturacion.h"
#include "platform/components.h"

namespace halvora::test {

using Fields = std::map<std::u16string, Variant>;

// "text" quoted, 1% an Integer, 1& a Long, 1.5# a Double, #2# a Date, True/False, Null, Empty,
// Nothing, and an object of the fake by its name ("DocumentoFactura#1").
std::u16string shown(const Variant& v);

class FakeInvoicing;

class FakeComponentObject : public Object {
 public:
  FakeComponentObject(FakeInvoicing& world, std::u16string class_name, std::u16string name,
                      ObjectRef layout)
      : name(std::move(name)),
        world_(world),
        class_name_(std::move(class_name)),
        layout_(std::move(layout)) {}

  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }
  std::u16string type_name() const override { return class_name_; }
  bool outside() const override { return true; }
  Variant invoke_by_name(std::u16string_view member, CallKind kind,
                         std::span<Variant> args) override;
  void assign_default(const Variant& value) override;

  const std::u16string name;
  Fields values;             // the properties written, by the name written
  std::vector<Fields> rows;  // the lines or movements a header took, as they stood

 private:
  FakeInvoicing& world_;
  std::u16string class_name_;
  ObjectRef layout_;  // the substitute's object of the class: its member table is the contract
};

// The test's view of the component; one at a time, installed while it lives.
class FakeInvoicing {
 public:
  // A world made inside another (a table's row) stands in for it until it goes.
  FakeInvoicing()
      : previous_(platform::set_component_factory(&FakeInvoicing::create)),
        outer_(std::exchange(current(), this)) {
    answer(u"Conectar", Variant(int32_t{1}));
  }
  ~FakeInvoicing() {
    platform::set_component_factory(previous_);
    current() = outer_;
  }
  FakeInvoicing(const FakeInvoicing&) = delete;
  FakeInvoicing& operator=(const FakeInvoicing&) = delete;

  struct Call {
    std::u16string object, member;
    std::vector<Variant> args;
    std::vector<Fields> contents;  // of each record argument, at the call
  };

  std::vector<std::u16string> log;            // every event, in order
  std::vector<Call> calls;                    // the method calls among them
  std::map<std::u16string, Variant> answers;  // by operation; none: Empty
  std::map<std::u16string, Error> failures;   // by operation or "Class.Member"
  std::map<std::u16string, Error> refusals;   // by class: creating it fails
  std::set<std::u16string> refusing_release;  // classes refusing the null value
  bool substitute_records = false;            // records are the substitute's own objects, not fakes
  bool detail_replaced = false;               // AddDetalle leaves a new movement in its argument

  void answer(const std::u16string& operation, Variant v) {
    answers.insert_or_assign(operation, std::move(v));
  }
  void fail(const std::u16string& operation, int32_t number = -2147220503,
            const std::u16string& description = u"rechazado") {
    failures.insert_or_assign(operation, Error(number, description, u"ServidorFacturacion"));
  }
  // The log since the last look, and no more of it next time.
  std::vector<std::u16string> take_log() { return std::exchange(log, {}); }

  // The last call of an operation; every test that asks made one.
  const Call& last_call(std::u16string_view member) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->member == member) return *it;
    throw Error(err::kSubscript, u"no call of " + std::u16string(member));
  }

  std::shared_ptr<FakeComponentObject> object(const std::u16string& name) const {
    auto it = objects_.find(name);
    return it == objects_.end() ? nullptr : it->second;
  }

  static FakeInvoicing*& current() {
    static FakeInvoicing* world = nullptr;
    return world;
  }

 private:
  friend class FakeComponentObject;
  static ObjectRef create(std::u16string_view class_name);

  platform::ComponentFactory previous_;
  FakeInvoicing* outer_;
  std::map<std::u16string, int> serial_;
  std::map<std::u16string, std::shared_ptr<FakeComponentObject>> objects_;
};

}  // namespace halvora::test
