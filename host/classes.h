// A script's own classes at run time: their instances, GetRef's procedure references and the queue
// of Class_Terminate calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ast.h"
#include "automation/object.h"
#include "runtime.h"

namespace halvora::host {

// An instance of a class the script declares. The runtime calls its members itself (see
// Runtime::class_member); to the library it is an object without members.
class Instance : public Object {
 public:
  explicit Instance(std::shared_ptr<const ClassDef> cls) : cls_(std::move(cls)) {}

  const ClassDef& cls() const { return *cls_; }
  const std::shared_ptr<const ClassDef>& shared_cls() const { return cls_; }

  const MemberTable& members() const override;
  // TypeName shows the class's name as the script declares it.
  std::u16string type_name() const override { return cls_->name; }

  Scope fields;             // every variable of the instance, public and private
  bool terminated = false;  // Class_Terminate has been queued once: never again

 private:
  std::shared_ptr<const ClassDef> cls_;
};

// Instances whose last reference went, waiting for their Class_Terminate. The runtime runs them
// between statements, never from inside the release itself, where a script could meet its own
// variables half assigned.
struct Finalizer {
  bool open = true;  // false once the runtime is going: nothing more runs
  std::vector<std::shared_ptr<Instance>> pending;
};

// What GetRef("name") gives: calling it, with or without arguments, calls the procedure.
class ProcedureRef : public Object {
 public:
  explicit ProcedureRef(std::shared_ptr<Procedure> p) : procedure_(std::move(p)) {}

  const Procedure& procedure() const { return *procedure_; }
  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"Object"; }

 private:
  std::shared_ptr<Procedure> procedure_;
};

}  // namespace halvora::host
