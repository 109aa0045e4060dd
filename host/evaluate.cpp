// Expressions and calls: name resolution, member calls through the library's dispatcher, the
// host's own WScript and Err, and user procedures.
#include <cstdint>
#include <string>

#include "arrays.h"
#include "automation/conversions.h"
#include "automation/text.h"
#include "builtins.h"
#include "classes.h"
#include "library/registry.h"
#include "operators.h"
#include "platform/components.h"
#include "runtime.h"

namespace halvora::host {

namespace {

// Script recursion stops well inside the native stack (8 MB on the platforms the host runs
// on); a level costs from one to several kilobytes depending on the statements it nests.
constexpr std::uintptr_t kStackBudget = 6 << 20;

const std::vector<ExprPtr> kNoArgs;

std::u16string echo_text(const Variant& v) {
  if (v.is_null()) return u"Null";
  if (v.is_missing()) return {};
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_string(v);
}

}  // namespace

// The library's classes, and the outside components by their registered identifiers
// ("HalvoraFacturacion.ServidorFacturacion"), as the platform's host creates any registered class:
// here the machine's registered components are the substitutes bundled with the library.
ObjectRef Runtime::create(const Variant& progid) {
  try {
    std::u16string name = to_string(progid);
    if (options.create_object) return options.create_object(name);
    if (options.contained) throw Error::standard(err::kCannotCreate);
    std::u16string_view outside = platform::class_of_identifier(name);
    return outside.empty() ? create_object(name) : platform::create_component(outside);
  } catch (const Error& e) {
    // The host's CreateObject reports the failure as its own, as the platform's host does.
    throw from_host(e);
  }
}

// Locals, then the variables of the instance whose procedure runs, then globals.
Variant* Runtime::lookup(const std::u16string& key) {
  if (!frames.empty()) {
    Scope& local = *frames.back();
    if (Variant* v = local.find(key)) return v;
    if (local.self)
      if (Variant* v = local.self->fields.find(key)) return v;
  }
  return global.find(key);
}

bool Runtime::is_host_name(const Expr& e, const char16_t* key) {
  return e.kind == ExprKind::Name && e.key == key && !lookup(e.key);
}

const Member* Runtime::application_member(const std::u16string& key) {
  if (options.contained) return nullptr;
  ObjectRef app = application_object();
  return app ? app->members().find(key) : nullptr;
}

ObjectRef Runtime::object_of(const Variant& v) {
  if (!v.is_object()) throw runtime_error(err::kObjectRequired);
  if (!v.object()) throw runtime_error(err::kObjectNotSet);
  return v.object();
}

Variant Runtime::eval(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return e.value;
    case ExprKind::Name:
      return call_name(e, nullptr, false);
    case ExprKind::Member:
      return call_member(e, nullptr, false);
    case ExprKind::Call:
      return call(*e.base, &e.args, false);
    case ExprKind::Unary:
      return apply_unary(e.ops[0], value_of(eval(*e.base)));
    case ExprKind::Chain:
      return eval_chain(e);
    case ExprKind::New:
      return new_instance(e);
    case ExprKind::With:
      if (scope().with_objects.empty()) throw runtime_error(herr::kUnqualifiedReference);
      return scope().with_objects.back();
  }
  throw runtime_error(err::kObjectRequired);
}

Variant Runtime::eval_chain(const Expr& e) {
  Variant acc = eval(*e.base);
  for (std::size_t i = 0; i < e.ops.size(); ++i) {
    // Is compares the objects themselves; every other operator their default values.
    if (e.ops[i] == Op::Is) {
      acc = apply_binary(Op::Is, acc, eval(*e.args[i]));
      continue;
    }
    acc = value_of(acc);
    if (e.ops[i] == Op::Concat)
      concat_into(acc, value_of(eval(*e.args[i])));
    else
      acc = apply_binary(e.ops[i], acc, value_of(eval(*e.args[i])));
  }
  return acc;
}

Variant Runtime::call(const Expr& callee, const std::vector<ExprPtr>* args, bool statement) {
  switch (callee.kind) {
    case ExprKind::Name:
      return call_name(callee, args, statement);
    case ExprKind::Member:
      return call_member(callee, args, statement);
    default:
      break;
  }
  Variant target = eval(callee);
  ArgValues a = eval_args(args);
  return apply_args(target, a);
}

// Variables first, then procedures, built-ins, the host's objects and last the application
// object's members, so a script's own names always win.
Variant Runtime::call_name(const Expr& e, const std::vector<ExprPtr>* args, bool statement) {
  const std::u16string& key = e.key;
  const Scope& sc = scope();
  bool own_function = sc.procedure && sc.procedure->is_function && sc.procedure->key == key;
  if (own_function && args) {
    ArgValues a = eval_args(args);
    return run_procedure(*sc.procedure, a, sc.self);
  }
  if (key == u"me" && sc.self) {
    Variant me{ObjectRef(sc.self)};
    if (!args) return me;
    ArgValues a = eval_args(args);
    return apply_args(me, a);
  }
  if (Variant* v = lookup(key)) {
    // A procedure reference named alone as a statement is called.
    bool call_ref = statement && v->is_object() &&
                    dynamic_cast<const ProcedureRef*>(v->object().get()) != nullptr;
    if (!args && !call_ref) return *v;
    ArgValues a = eval_args(args);
    return apply_args(*v, a);
  }
  // Inside a class, its procedures by their bare names.
  if (sc.self) {
    if (const ClassMember* m = sc.self->cls().find(key); m && !m->is_variable) {
      std::shared_ptr<Instance> self = sc.self;
      ArgValues a = eval_args(args);
      return class_member(self, e.name, args || statement ? CallKind::Method : CallKind::Get, a);
    }
  }
  if (auto p = procedures.find(key); p != procedures.end())
    return call_procedure(*p->second, args ? *args : kNoArgs);
  if (auto c = builtin_constant(key)) {
    if (!args || args->empty()) return *c;
    ArgValues a = eval_args(args);
    return apply_args(*c, a);
  }
  if (key == u"getref") return get_ref(args);
  if (key == u"createobject") {
    ArgValues a = eval_args(args);
    if (a.values.size() < 1 || a.values.size() > 2 || a.values[0].is_missing())
      throw runtime_error(err::kWrongArguments);
    return Variant(create(a.values[0]));
  }
  if (is_builtin_function(key)) {
    ArgValues a = eval_args(args);
    return call_builtin(key, a.values);
  }
  if (key == u"wscript" || key == u"err") {
    if (args && !args->empty()) throw runtime_error(err::kTypeMismatch);
    // Err alone reads its default property, Number.
    return key == u"err" ? Variant(err.number) : Variant(ObjectRef(wscript));
  }
  if (application_member(key)) {
    ArgValues a = eval_args(args);
    return invoke_member(application_object(), e.name,
                         args || statement ? CallKind::Method : CallKind::Get, a);
  }
  if (option_explicit) throw runtime_error(herr::kUndefinedVariable);
  if (args || statement) throw runtime_error(err::kTypeMismatch);
  return Variant();
}

Variant Runtime::call_member(const Expr& e, const std::vector<ExprPtr>* args, bool statement) {
  if (is_host_name(*e.base, u"wscript")) return call_host(u"wscript", e, args);
  if (is_host_name(*e.base, u"err")) return call_host(u"err", e, args);
  ObjectRef obj = object_of(eval(*e.base));
  if (obj == wscript) return call_host(u"wscript", e, args);
  if (obj == err_object) return call_host(u"err", e, args);
  ArgValues a = eval_args(args);
  return invoke_member(obj, e.name, args || statement ? CallKind::Method : CallKind::Get, a);
}

Variant Runtime::call_host(const std::u16string& object, const Expr& member,
                           const std::vector<ExprPtr>* args) {
  const std::u16string& m = member.key;
  ArgValues a = eval_args(args);
  auto& v = a.values;
  auto arg = [&](std::size_t i) { return i < v.size() && !v[i].is_missing() ? v[i] : Variant(); };
  if (object == u"wscript") {
    if (m == u"echo") {
      std::u16string line;
      for (std::size_t i = 0; i < v.size(); ++i) {
        if (i) line += u' ';
        line += echo_text(value_of(v[i]));
      }
      echo(line);
      return {};
    }
    if (m == u"quit") throw QuitSignal{v.empty() || v[0].is_missing() ? 0 : to_long(v[0])};
    if (m == u"sleep") {
      int32_t milliseconds = to_long(arg(0));
      if (!options.contained) pump_events(milliseconds);
      return {};
    }
    if (m == u"createobject") return Variant(create(arg(0)));
    if (m == u"arguments") {
      if (v.empty()) return Variant(ObjectRef(arguments));
      return invoke_member(arguments, u"Item", CallKind::Method, a);
    }
    if (m == u"scriptname" || m == u"scriptfullname") return Variant(options.script_name);
    if (m == u"name") return Variant(u"Windows Script Host");
    throw runtime_error(err::kNoSuchMember);
  }
  if (m == u"number") return Variant(err.number);
  if (m == u"description") return Variant(err.description);
  if (m == u"source") return Variant(err.source);
  if (m == u"clear") {
    err = {};
    return {};
  }
  if (m == u"raise") {
    if (v.empty() || v[0].is_missing()) throw runtime_error(err::kArgumentNotOptional);
    ScriptError raised;
    raised.number = to_long(v[0]);
    raised.source = arg(1).is_empty() ? std::u16string(kRuntimeSource) : to_string(arg(1));
    raised.description = arg(2).is_empty() ? runtime_text(raised.number) : to_string(arg(2));
    throw raised;
  }
  throw runtime_error(err::kNoSuchMember);
}

Variant Runtime::call_procedure(const Procedure& p, const std::vector<ExprPtr>& args) {
  if (args.size() != p.params.size()) throw runtime_error(err::kWrongArguments);
  ArgValues a = eval_args(&args);
  return run_procedure(p, a, nullptr);
}

Variant Runtime::run_procedure(const Procedure& p, ArgValues& a, std::shared_ptr<Instance> self) {
  if (a.values.size() != p.params.size()) throw runtime_error(err::kWrongArguments);
  char here = 0;
  auto at = reinterpret_cast<std::uintptr_t>(&here);
  if (stack_base > at && stack_base - at > kStackBudget) throw runtime_error(herr::kOutOfStack);
  Scope local;
  local.procedure = &p;
  local.self = std::move(self);
  for (std::size_t i = 0; i < p.params.size(); ++i) {
    const Param& param = p.params[i];
    if (!param.by_val && a.refs[i])
      local.vars[param.key] = a.refs[i];
    else
      *local.declare(param.key) = a.values[i];
  }
  Variant* result = p.is_function ? local.declare(p.key) : nullptr;
  struct Frame {
    Runtime& rt;
    Frame(Runtime& r, Scope& s) : rt(r) { rt.frames.push_back(&s); }
    ~Frame() { rt.frames.pop_back(); }
  } frame(*this, local);
  exec_block(p.body);
  return result ? *result : Variant();
}

Variant Runtime::apply_args(const Variant& target, ArgValues& a) {
  if (target.is_array()) {
    const Array& arr = *target.array();
    return arr[element_index(arr, a.values)];
  }
  if (target.is_object()) {
    ObjectRef obj = object_of(target);
    if (auto* ref = dynamic_cast<const ProcedureRef*>(obj.get()))
      return run_procedure(ref->procedure(), a, nullptr);
    // An instance of a script's class with arguments means its default member; a library
    // object, its Item.
    if (auto inst = std::dynamic_pointer_cast<Instance>(obj))
      return class_member(inst, u"", CallKind::Method, a);
    return invoke_member(obj, u"Item", CallKind::Method, a);
  }
  if (a.values.empty()) return target;
  throw runtime_error(err::kTypeMismatch);
}

ArgValues Runtime::eval_args(const std::vector<ExprPtr>* args) {
  ArgValues out;
  if (!args) return out;
  out.values.reserve(args->size());
  for (const ExprPtr& e : *args) {
    Variant* ref = nullptr;
    if (!e) {
      out.values.push_back(Variant(Missing{}));
    } else if (e->kind == ExprKind::Name && !e->parenthesized &&
               ((ref = lookup(e->key)) || (ref = implicit_variable(*e)))) {
      // A variable, also one seen here for the first time, so a by-reference parameter can
      // write back into it.
      out.values.push_back(*ref);
    } else {
      out.values.push_back(eval(*e));
    }
    out.refs.push_back(ref);
  }
  return out;
}

Variant* Runtime::implicit_variable(const Expr& e) {
  const std::u16string& key = e.key;
  if (option_explicit || procedures.count(key) || builtin_constant_or_function(key) ||
      key == u"createobject" || key == u"getref" || key == u"wscript" || key == u"err" ||
      application_member(key))
    return nullptr;
  if (const Scope& sc = scope(); sc.self && (key == u"me" || sc.self->cls().find(key)))
    return nullptr;
  return scope().declare(key);
}

Variant Runtime::invoke_member(const ObjectRef& obj, std::u16string_view name, CallKind kind,
                               ArgValues& a) {
  if (auto inst = std::dynamic_pointer_cast<Instance>(obj))
    return class_member(inst, name, kind, a);
  Variant result;
  try {
    result = invoke(*obj, name, kind, a.values);
  } catch (const Error& e) {
    throw from_library(e);
  }
  for (std::size_t i = 0; i < a.refs.size(); ++i)
    if (a.refs[i]) *a.refs[i] = a.values[i];
  return result;
}

}  // namespace halvora::host
