// Expressions and calls: name resolution, member calls through the library's dispatcher, the
// host's own WScript and Err, and user procedures.
#include <cstdint>
#include <string>

#include "automation/conversions.h"
#include "automation/text.h"
#include "builtins.h"
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

// The library's classes, and the outside components by their registered identifiers
// ("HalvoraFacturacion.ServidorFacturacion"), as the platform's host creates any registered class:
// here the machine's registered components are the substitutes bundled with the library.
ObjectRef create(const Variant& progid) {
  std::u16string identifier = to_string(progid);
  try {
    std::u16string_view outside = platform::class_of_identifier(identifier);
    return outside.empty() ? create_object(identifier) : platform::create_component(outside);
  } catch (const Error& e) {
    // The host's CreateObject reports the failure as its own, as the platform's host does.
    throw from_host(e);
  }
}

std::u16string echo_text(const Variant& v) {
  if (v.is_null()) return u"Null";
  if (v.is_missing()) return {};
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_string(v);
}

}  // namespace

Variant* Runtime::lookup(const std::u16string& key) {
  if (!frames.empty())
    if (Variant* v = frames.back()->find(key)) return v;
  return global.find(key);
}

bool Runtime::is_host_name(const Expr& e, const char16_t* key) {
  return e.kind == ExprKind::Name && e.key == key && !lookup(e.key);
}

const Member* Runtime::application_member(const std::u16string& key) {
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
      return apply_unary(e.ops[0], eval(*e.base));
    case ExprKind::Chain:
      return eval_chain(e);
  }
  throw runtime_error(err::kObjectRequired);
}

Variant Runtime::eval_chain(const Expr& e) {
  Variant acc = eval(*e.base);
  for (std::size_t i = 0; i < e.ops.size(); ++i) {
    if (e.ops[i] == Op::Concat)
      concat_into(acc, eval(*e.args[i]));
    else
      acc = apply_binary(e.ops[i], acc, eval(*e.args[i]));
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
  if (own_function && args) return call_procedure(*sc.procedure, *args);
  if (Variant* v = lookup(key)) {
    if (!args) return *v;
    ArgValues a = eval_args(args);
    return apply_args(*v, a);
  }
  if (auto p = procedures.find(key); p != procedures.end())
    return call_procedure(*p->second, args ? *args : kNoArgs);
  if (auto c = builtin_constant(key)) {
    if (!args || args->empty()) return *c;
    ArgValues a = eval_args(args);
    return apply_args(*c, a);
  }
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
        line += echo_text(v[i]);
      }
      echo(line);
      return {};
    }
    if (m == u"quit") throw QuitSignal{v.empty() || v[0].is_missing() ? 0 : to_long(v[0])};
    if (m == u"sleep") {
      pump_events(to_long(arg(0)));
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
  char here = 0;
  auto at = reinterpret_cast<std::uintptr_t>(&here);
  if (stack_base > at && stack_base - at > kStackBudget) throw runtime_error(herr::kOutOfStack);
  Scope local;
  local.procedure = &p;
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
    if (a.values.size() != 1 || a.values[0].is_missing()) throw runtime_error(err::kSubscript);
    int32_t i = to_long(a.values[0]);
    if (i < 0 || static_cast<std::size_t>(i) >= arr.size()) throw runtime_error(err::kSubscript);
    return arr[i];
  }
  if (target.is_object()) {
    // An object called with arguments and no member name means its Item.
    ObjectRef obj = object_of(target);
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
      key == u"createobject" || key == u"wscript" || key == u"err" || application_member(key))
    return nullptr;
  return scope().declare(key);
}

Variant Runtime::invoke_member(const ObjectRef& obj, std::u16string_view name, CallKind kind,
                               ArgValues& a) {
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
