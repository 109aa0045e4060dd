// The script's own classes: New, member calls on instances, default members, Class_Initialize and
// Class_Terminate; and GetRef.
#include "classes.h"

#include <utility>

#include "arrays.h"
#include "automation/conversions.h"
#include "automation/members.h"
#include "lexer.h"
#include "script_error.h"

namespace halvora::host {

const MemberTable& Instance::members() const {
  static const MemberTable table{std::initializer_list<Member>{}};
  return table;
}

const MemberTable& ProcedureRef::members() const {
  static const MemberTable table{std::initializer_list<Member>{}};
  return table;
}

namespace {

const Procedure* terminate_of(const ClassDef& c) {
  const ClassMember* m = c.find(u"class_terminate");
  return m ? m->method.get() : nullptr;
}

// An instance whose class has a Class_Terminate queues it when its last reference goes.
std::shared_ptr<Instance> make_instance(const std::shared_ptr<ClassDef>& cls,
                                        const std::shared_ptr<Finalizer>& finalizer) {
  if (!terminate_of(*cls)) return std::make_shared<Instance>(cls);
  std::weak_ptr<Finalizer> queue = finalizer;
  return std::shared_ptr<Instance>(new Instance(cls), [queue](Instance* p) {
    std::unique_ptr<Instance> gone(p);
    std::shared_ptr<Finalizer> f = queue.lock();
    if (!f || !f->open || p->terminated) return;
    // Class_Terminate meets the variables through a new reference, so that Me stays valid even
    // where the handler keeps it; that one never queues a second call.
    auto last = std::make_shared<Instance>(p->shared_cls());
    last->fields = std::move(p->fields);
    last->terminated = true;
    f->pending.push_back(std::move(last));
  });
}

}  // namespace

Runtime::~Runtime() {
  if (finalizer) finalizer->open = false;
}

Variant Runtime::new_instance(const Expr& e) {
  auto it = classes.find(e.key);
  if (it == classes.end()) throw runtime_error(herr::kClassNotDefined);
  if (!finalizer) finalizer = std::make_shared<Finalizer>();
  std::shared_ptr<Instance> inst = make_instance(it->second, finalizer);
  const ClassDef& c = *it->second;
  for (const std::u16string& key : c.order) {
    const ClassMember& m = *c.find(key);
    if (!m.is_variable) continue;
    Variant* v = inst->fields.declare(key);
    if (!m.variable.is_array) continue;
    std::vector<std::size_t> extents = extents_of(m.variable);
    if (!extents.empty()) inst->fields.fixed_arrays.insert(key);
    auto items = std::make_shared<Array>();
    items->reshape(std::move(extents));
    *v = Variant(items);
  }
  if (const ClassMember* init = c.find(u"class_initialize"); init && init->method) {
    ArgValues none;
    run_procedure(*init->method, none, inst);
  }
  return Variant(ObjectRef(inst));
}

// By name, or the default member for an empty name. Private members answer only calls from the
// instance's own procedures; from elsewhere they do not exist (438), as a missing one.
Variant Runtime::class_member(const std::shared_ptr<Instance>& inst, std::u16string_view name,
                              CallKind kind, ArgValues& a) {
  const ClassDef& c = inst->cls();
  std::u16string key = name.empty() ? c.default_member : fold(name);
  const ClassMember* m = key.empty() ? nullptr : c.find(key);
  if (!m) throw runtime_error(err::kNoSuchMember);
  bool inside = scope().self == inst;
  bool assigning = kind == CallKind::Let || kind == CallKind::Set;
  if (m->is_variable) {
    if (!m->is_public && !inside) throw runtime_error(err::kNoSuchMember);
    Variant* v = inst->fields.find(key);
    if (!assigning) return a.values.empty() ? *v : apply_args(*v, a);
    Variant value = std::move(a.values.back());
    if (a.values.size() == 1) {
      *v = std::move(value);
      return {};
    }
    // o.Items(i) = x: an item of the variable's array.
    if (!v->is_array()) throw runtime_error(err::kTypeMismatch);
    std::span<const Variant> indices(a.values.data(), a.values.size() - 1);
    std::size_t at = element_index(*v->array(), indices);
    v->mutable_array()[at] = std::move(value);
    return {};
  }
  const Procedure* p = kind == CallKind::Let   ? m->let.get()
                       : kind == CallKind::Set ? m->set.get()
                                               : m->method.get();
  // A property with only a Get cannot be assigned, nor one with only a Let or Set read.
  if (!p || (!p->is_public && !inside)) throw runtime_error(err::kNoSuchMember);
  if (assigning) a.refs.back() = nullptr;  // the assigned value arrives by value
  return run_procedure(*p, a, inst);
}

Variant Runtime::value_of(const Variant& v) {
  if (!v.is_object() || !v.object()) return v;
  auto inst = std::dynamic_pointer_cast<Instance>(v.object());
  if (!inst || inst->cls().default_member.empty()) return v;
  ArgValues none;
  return class_member(inst, u"", CallKind::Get, none);
}

Variant Runtime::get_ref(const std::vector<ExprPtr>* args) {
  ArgValues a = eval_args(args);
  if (a.values.size() != 1 || a.values[0].is_missing()) throw runtime_error(err::kWrongArguments);
  auto it = procedures.find(fold(to_string(a.values[0])));
  if (it == procedures.end()) throw runtime_error(err::kInvalidCall);
  return Variant(ObjectRef(std::make_shared<ProcedureRef>(it->second)));
}

// An error inside Class_Terminate has no statement to return to and is dropped.
void Runtime::run_terminators() {
  while (finalizer && !finalizer->pending.empty()) {
    std::vector<std::shared_ptr<Instance>> batch = std::move(finalizer->pending);
    finalizer->pending.clear();
    for (std::shared_ptr<Instance>& inst : batch) {
      ArgValues none;
      try {
        run_procedure(*terminate_of(inst->cls()), none, inst);
      } catch (const ScriptError&) {
      } catch (const Error&) {
      }
      inst.reset();
    }
  }
}

std::optional<int> Runtime::release_globals() {
  try {
    // By index: a Class_Terminate may still declare a global.
    for (std::size_t i = 0; i < global.storage.size(); ++i) {
      {
        Variant gone;
        std::swap(gone, global.storage[i]);
      }
      run_terminators();
    }
  } catch (const QuitSignal& q) {
    return q.code;
  }
  return std::nullopt;
}

}  // namespace halvora::host
