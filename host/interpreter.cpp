// Statements, the run loop and error reporting.
#include "interpreter.h"

#include <cstdint>
#include <new>

#include "arrays.h"
#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/text.h"
#include "builtins.h"
#include "classes.h"
#include "library/registry.h"
#include "operators.h"
#include "parser.h"
#include "runtime.h"

namespace halvora::host {

// ---- statements -------------------------------------------------------------------------------

void Runtime::take_step(const Stmt& s) {
  if (options.max_steps != 0 && ++steps > options.max_steps)
    throw StepLimitSignal{s.line, s.column};
}

Flow Runtime::exec_block(const Block& block) {
  for (const Stmt& s : block) {
    Flow flow = Flow::Next;
    take_step(s);
    try {
      flow = exec(s);
    } catch (ScriptError& e) {
      if (e.line == 0) {
        e.line = s.line;
        e.column = s.column;
      }
      if (!scope().resume_next) throw;
      err = e;
    } catch (const Error& e) {
      // Only the host's own code lets a core Error through: calls into the library convert.
      ScriptError se = from_host(e);
      se.line = s.line;
      se.column = s.column;
      if (!scope().resume_next) throw se;
      err = se;
    }
    // Instances released by the statement run their Class_Terminate before the next one.
    if (finalizer && !finalizer->pending.empty()) run_terminators();
    if (flow != Flow::Next) return flow;
  }
  return Flow::Next;
}

std::optional<Variant> Runtime::eval_clause(SourcePos at, const std::function<Variant()>& f) {
  try {
    return f();
  } catch (ScriptError& e) {
    if (e.line == 0) {
      e.line = at.line;
      e.column = at.column;
    }
    if (!scope().resume_next) throw;
    err = e;
  } catch (const Error& e) {
    ScriptError se = from_host(e);
    se.line = at.line;
    se.column = at.column;
    if (!scope().resume_next) throw se;
    err = se;
  }
  return std::nullopt;
}

Flow Runtime::exec(const Stmt& s) {
  switch (s.kind) {
    case StmtKind::OptionExplicit:
      option_explicit = true;
      return Flow::Next;
    case StmtKind::Dim:
    case StmtKind::ReDim:
      for (const DimItem& item : s.items) dim(item, s.kind == StmtKind::ReDim, s.preserve);
      return Flow::Next;
    case StmtKind::Erase:
      for (const DimItem& item : s.items) erase(item);
      return Flow::Next;
    case StmtKind::With:
      return with_block(s);
    case StmtKind::Const:
      for (const DimItem& item : s.items) {
        Scope& sc = scope();
        *sc.declare(item.key) = eval(*item.value);
        sc.constants.insert(item.key);
      }
      return Flow::Next;
    case StmtKind::Assign:
      // Without Set, an instance with a default member gives its value.
      assign(*s.target, s.is_set ? eval(*s.value) : value_of(eval(*s.value)), s.is_set);
      return Flow::Next;
    case StmtKind::Call:
      call(*s.target->base, &s.target->args, true);
      return Flow::Next;
    case StmtKind::If:
      for (std::size_t i = 0; i < s.conditions.size(); ++i) {
        // A condition that fails under On Error Resume Next goes on with the statements it guards.
        std::optional<Variant> c =
            eval_clause(s.clauses[i], [&] { return value_of(eval(*s.conditions[i])); });
        if (!c || truthy(*c)) return exec_block(s.blocks[i]);
      }
      if (s.blocks.size() > s.conditions.size()) return exec_block(s.blocks.back());
      return Flow::Next;
    case StmtKind::Select:
      return select(s);
    case StmtKind::For:
      return for_loop(s);
    case StmtKind::ForEach:
      return for_each(s);
    case StmtKind::Do:
      return do_loop(s);
    case StmtKind::ExitFor:
      return Flow::ExitFor;
    case StmtKind::ExitDo:
      return Flow::ExitDo;
    case StmtKind::ExitSub:
    case StmtKind::ExitFunction:
      return Flow::ExitProc;
    case StmtKind::OnErrorResumeNext:
      scope().resume_next = true;
      err = {};
      return Flow::Next;
    case StmtKind::OnErrorGoto0:
      scope().resume_next = false;
      err = {};
      return Flow::Next;
  }
  return Flow::Next;
}

void Runtime::assign(const Expr& target, Variant value, bool is_set) {
  if (is_set && !value.is_object()) throw runtime_error(err::kObjectRequired);
  CallKind kind = is_set ? CallKind::Set : CallKind::Let;
  switch (target.kind) {
    case ExprKind::Name: {
      const std::u16string& key = target.key;
      if (Variant* v = lookup(key)) {
        bool constant = (!frames.empty() && frames.back()->find(key) == v)
                            ? frames.back()->constants.count(key) > 0
                            : global.constants.count(key) > 0;
        if (constant) throw runtime_error(herr::kIllegalAssignment);
        *v = std::move(value);
        return;
      }
      if (key == u"err" || key == u"wscript" || builtin_constant_or_function(key))
        throw runtime_error(herr::kIllegalAssignment);
      // Inside a class, a bare property name assigns through its Property Let or Set.
      if (const Scope& sc = scope(); sc.self && sc.self->cls().find(key)) {
        std::shared_ptr<Instance> self = sc.self;
        ArgValues a{{std::move(value)}, {nullptr}};
        class_member(self, target.name, kind, a);
        return;
      }
      if (application_member(key)) {
        ArgValues a{{std::move(value)}, {nullptr}};
        invoke_member(application_object(), target.name, kind, a);
        return;
      }
      if (option_explicit) throw runtime_error(herr::kUndefinedVariable);
      *scope().declare(key) = std::move(value);
      return;
    }
    case ExprKind::Member: {
      bool host_err = is_host_name(*target.base, u"err");
      ObjectRef obj = host_err ? ObjectRef(err_object) : object_of(eval(*target.base));
      if (obj == err_object) {
        if (target.key == u"number")
          err.number = to_long(value);
        else if (target.key == u"description")
          err.description = to_string(value);
        else if (target.key == u"source")
          err.source = to_string(value);
        else
          throw runtime_error(err::kNoSuchMember);
        return;
      }
      if (obj == wscript) throw runtime_error(err::kNoSuchMember);
      ArgValues a{{std::move(value)}, {nullptr}};
      invoke_member(obj, target.name, kind, a);
      return;
    }
    case ExprKind::Call: {
      const Expr& base = *target.base;
      ArgValues a = eval_args(&target.args);
      if (base.kind == ExprKind::Name) {
        Variant* v = lookup(base.key);
        if (v && v->is_array()) {
          std::size_t i = element_index(*v->array(), a.values);
          v->mutable_array()[i] = std::move(value);
          return;
        }
        a.values.push_back(std::move(value));
        a.refs.push_back(nullptr);
        if (v && v->is_object()) {
          // A script's instance takes it through its default member, a library object its Item.
          ObjectRef obj = object_of(*v);
          if (auto inst = std::dynamic_pointer_cast<Instance>(obj))
            class_member(inst, u"", kind, a);
          else
            invoke_member(obj, u"Item", kind, a);
          return;
        }
        if (!v && application_member(base.key)) {
          invoke_member(application_object(), base.name, kind, a);
          return;
        }
        throw runtime_error(err::kTypeMismatch);
      }
      if (base.kind == ExprKind::Member) {
        ObjectRef obj = object_of(eval(*base.base));
        a.values.push_back(std::move(value));
        a.refs.push_back(nullptr);
        invoke_member(obj, base.name, kind, a);
        return;
      }
      throw runtime_error(herr::kIllegalAssignment);
    }
    default:
      throw runtime_error(herr::kIllegalAssignment);
  }
}

bool Runtime::builtin_constant_or_function(const std::u16string& key) {
  return builtin_constant(key).has_value() || is_builtin_function(key);
}

Variant* Runtime::loop_variable(const Expr& target) {
  if (Variant* v = lookup(target.key)) return v;
  if (option_explicit) throw runtime_error(herr::kUndefinedVariable);
  return scope().declare(target.key);
}

// A failed head under On Error Resume Next goes on with the statement after it: the body runs
// once, and the loop ends.
Flow Runtime::once_after_failed_head(const Stmt& s) {
  Flow flow = exec_block(s.blocks[0]);
  return flow == Flow::ExitFor ? Flow::Next : flow;
}

Flow Runtime::for_loop(const Stmt& s) {
  SourcePos at{s.line, s.column};
  Variant* var = nullptr;
  double limit = 0, increment = 0;
  Variant step;
  bool ready = eval_clause(at, [&] {
                 Variant start = eval(*s.value);
                 var = loop_variable(*s.target);
                 *var = start;
                 limit = to_double(eval(*s.limit));
                 step = s.step ? eval(*s.step) : Variant(int16_t{1});
                 increment = to_double(step);
                 return Variant();
               }).has_value();
  if (!ready) return once_after_failed_head(s);
  for (;;) {
    double at = to_double(*var);
    if (increment >= 0 ? at > limit : at < limit) break;
    take_step(s);
    Flow flow = exec_block(s.blocks[0]);
    if (flow == Flow::ExitFor) break;
    if (flow != Flow::Next) return flow;
    *var = apply_binary(Op::Add, *var, step);
  }
  return Flow::Next;
}

Flow Runtime::for_each(const Stmt& s) {
  std::vector<Variant> items;
  bool ready =
      eval_clause({s.line, s.column}, [&] {
        Variant group = eval(*s.value);
        if (group.is_array()) {
          items = *group.array();
        } else if (group.is_object() && group.object()) {
          if (auto* c = dynamic_cast<Collection*>(group.object().get()))
            items = c->items();
          else if (auto* a = dynamic_cast<Arguments*>(group.object().get()))
            items.assign(a->values().begin(), a->values().end());
          else
            throw runtime_error(herr::kNotCollection);
        } else {
          throw runtime_error(group.is_object() ? err::kObjectNotSet : herr::kNotCollection);
        }
        return Variant();
      }).has_value();
  if (!ready) return once_after_failed_head(s);
  Variant* var = loop_variable(*s.target);
  for (Variant& item : items) {
    take_step(s);
    *var = std::move(item);
    Flow flow = exec_block(s.blocks[0]);
    if (flow == Flow::ExitFor) break;
    if (flow != Flow::Next) return flow;
  }
  return Flow::Next;
}

// A test that fails under On Error Resume Next goes on with the statement after it: the body for
// a test at the top (so the loop goes round again), what follows the loop for one at the bottom.
Flow Runtime::do_loop(const Stmt& s) {
  SourcePos top{s.line, s.column};
  SourcePos bottom = s.clauses.empty() ? top : s.clauses[0];
  auto done = [&](SourcePos at, bool failed) {
    std::optional<Variant> c = eval_clause(at, [&] { return value_of(eval(*s.value)); });
    return c ? truthy(*c) == s.until : failed;
  };
  for (;;) {
    take_step(s);
    if (s.value && !s.test_after && done(top, false)) break;
    Flow flow = exec_block(s.blocks[0]);
    if (flow == Flow::ExitDo) break;
    if (flow != Flow::Next) return flow;
    if (s.value && s.test_after && done(bottom, true)) break;
  }
  return Flow::Next;
}

// A subject that fails under On Error Resume Next passes over the whole statement, since every
// Case compares with it; a Case value that fails goes on with that Case's statements.
Flow Runtime::select(const Stmt& s) {
  std::optional<Variant> subject =
      eval_clause({s.line, s.column}, [&] { return value_of(eval(*s.target)); });
  if (!subject) return Flow::Next;
  std::size_t at = 0;
  for (std::size_t b = 0; b < s.case_sizes.size(); ++b) {
    for (std::size_t k = 0; k < s.case_sizes[b]; ++k) {
      const CaseTest& test = s.cases[at + k];
      std::optional<Variant> hit = eval_clause(s.clauses[b], [&] {
        Variant value = value_of(eval(*test.value));
        if (!test.upper) return apply_binary(test.op, *subject, value);
        // "low To high" holds the subject between the two, ends included.
        Variant high = value_of(eval(*test.upper));
        return Variant(truthy(apply_binary(Op::Ge, *subject, value)) &&
                       truthy(apply_binary(Op::Le, *subject, high)));
      });
      if (!hit || truthy(*hit)) return exec_block(s.blocks[b]);
    }
    at += s.case_sizes[b];
  }
  if (s.blocks.size() > s.case_sizes.size()) return exec_block(s.blocks.back());
  return Flow::Next;
}

// The object stays the block's even if the variable it came from changes; a failed expression
// under On Error Resume Next leaves Nothing, so ".Member" fails on each use.
Flow Runtime::with_block(const Stmt& s) {
  std::optional<Variant> target = eval_clause({s.line, s.column}, [&] {
    Variant v = eval(*s.value);
    if (!v.is_object()) throw runtime_error(err::kObjectRequired);
    return v;
  });
  Scope& sc = scope();
  sc.with_objects.push_back(target ? std::move(*target) : Variant(ObjectRef()));
  struct Pop {
    std::vector<Variant>& objects;
    ~Pop() { objects.pop_back(); }
  } pop{sc.with_objects};
  return exec_block(s.blocks[0]);
}

// ---- running ----------------------------------------------------------------------------------

void Runtime::echo(std::u16string_view text) {
  if (options.out) options.out(utf16_to_utf8(text) + "\n");
}

void Runtime::report(const ScriptError& e, const std::string& file) {
  std::string line = file + "(" + std::to_string(e.line) + ", " + std::to_string(e.column) + ") " +
                     utf16_to_utf8(e.source) + ": " + utf16_to_utf8(e.description) + "\n";
  if (options.err) options.err(line);
}

std::optional<int> Runtime::execute(std::u16string_view source, const std::string& file) {
  Program program;
  try {
    program = parse(source);
  } catch (const SyntaxError& e) {
    report({0, e.message, kCompileSource, e.line, e.column}, file);
    return 1;
  } catch (const std::bad_alloc&) {
    // A script too big for the memory left fails to compile, as a host reports it; it must not
    // take the host down. No statement is to blame, so the report has no position.
    report({err::kOutOfMemory, runtime_text(err::kOutOfMemory), kCompileSource, 0, 0}, file);
    return 1;
  }
  for (auto& p : program.procedures) procedures[p->key] = p;
  for (auto& c : program.classes) classes[c->key] = c;
  if (program.option_explicit) option_explicit = true;
  programs.push_back(std::move(program));
  steps = 0;
  char base = 0;
  stack_base = reinterpret_cast<std::uintptr_t>(&base);
  try {
    exec_block(programs.back().body);
  } catch (const QuitSignal& q) {
    quitting = true;
    return q.code;
  } catch (const StepLimitSignal& limit) {
    if (options.err)
      options.err(file + "(" + std::to_string(limit.line) + ", " + std::to_string(limit.column) +
                  ") halvora: The script ran past its limit of " +
                  std::to_string(options.max_steps) + " steps\n");
    return 1;
  } catch (const ScriptError& e) {
    report(e, file);
    return 1;
  } catch (const std::bad_alloc&) {
    report(runtime_error(7), file);
    return 1;
  }
  return std::nullopt;
}

Interpreter::Interpreter(Options options) : rt_(std::make_unique<Runtime>()) {
  reset_random_numbers();
  rt_->arguments = std::make_shared<Arguments>(options.arguments);
  rt_->options = std::move(options);
}

Interpreter::~Interpreter() = default;

int Interpreter::run(std::u16string_view source, const std::string& file_name) {
  std::optional<int> code = rt_->execute(source, file_name);
  // The script's end releases its globals, and their instances run Class_Terminate; WScript.Quit
  // ends the host at once.
  if (rt_->quitting) return code.value_or(0);
  std::optional<int> quit = rt_->release_globals();
  return quit ? *quit : code.value_or(0);
}

std::optional<int> Interpreter::run_line(std::u16string_view line) {
  std::optional<int> code = rt_->execute(line, "<stdin>");
  // A failed entry is reported; only Quit ends the session.
  if (!rt_->quitting) return std::nullopt;
  return code;
}

void Interpreter::set_global(std::u16string_view name, Variant value) {
  *rt_->global.declare(fold(name)) = std::move(value);
}

bool needs_more_lines(std::u16string_view source) {
  try {
    parse(source);
    return false;
  } catch (const SyntaxError& e) {
    int lines = 1;
    for (char16_t c : source) lines += c == u'\n';
    bool at_end = e.line >= lines;
    return at_end && e.message.starts_with(u"Expected '") && e.message != u"Expected ')'";
  }
}

std::u16string decode_script(std::string_view bytes) {
  auto u8 = [](unsigned char c) { return c; };
  if (bytes.size() >= 2 && u8(bytes[0]) == 0xFF && u8(bytes[1]) == 0xFE) {
    std::u16string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      out += static_cast<char16_t>(u8(bytes[i]) | (u8(bytes[i + 1]) << 8));
    return out;
  }
  if (bytes.size() >= 2 && u8(bytes[0]) == 0xFE && u8(bytes[1]) == 0xFF) {
    std::u16string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      out += static_cast<char16_t>((u8(bytes[i]) << 8) | u8(bytes[i + 1]));
    return out;
  }
  if (bytes.size() >= 3 && u8(bytes[0]) == 0xEF && u8(bytes[1]) == 0xBB && u8(bytes[2]) == 0xBF)
    bytes.remove_prefix(3);
  return utf8_to_utf16(bytes);
}

}  // namespace halvora::host
