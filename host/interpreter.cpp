// Statements, the run loop and error reporting.
#include "interpreter.h"

#include <cstdint>
#include <new>

#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/text.h"
#include "builtins.h"
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
    Flow flow;
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
      continue;
    } catch (const Error& e) {
      // Only the host's own code lets a core Error through: calls into the library convert.
      ScriptError se = from_host(e);
      se.line = s.line;
      se.column = s.column;
      if (!scope().resume_next) throw se;
      err = se;
      continue;
    }
    if (flow != Flow::Next) return flow;
  }
  return Flow::Next;
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
    case StmtKind::Const:
      for (const DimItem& item : s.items) {
        Scope& sc = scope();
        *sc.declare(item.key) = eval(*item.value);
        sc.constants.insert(item.key);
      }
      return Flow::Next;
    case StmtKind::Assign:
      assign(*s.target, eval(*s.value), s.is_set);
      return Flow::Next;
    case StmtKind::Call:
      call(*s.target->base, &s.target->args, true);
      return Flow::Next;
    case StmtKind::If:
      for (std::size_t i = 0; i < s.conditions.size(); ++i)
        if (truthy(eval(*s.conditions[i]))) return exec_block(s.blocks[i]);
      if (s.blocks.size() > s.conditions.size()) return exec_block(s.blocks.back());
      return Flow::Next;
    case StmtKind::Select: {
      Variant subject = eval(*s.target);
      std::size_t at = 0;
      for (std::size_t b = 0; b < s.case_sizes.size(); ++b) {
        for (std::size_t k = 0; k < s.case_sizes[b]; ++k)
          if (truthy(apply_binary(Op::Eq, subject, eval(*s.conditions[at + k]))))
            return exec_block(s.blocks[b]);
        at += s.case_sizes[b];
      }
      if (s.blocks.size() > s.case_sizes.size()) return exec_block(s.blocks.back());
      return Flow::Next;
    }
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

namespace {

std::size_t index_of(const Variant& index, std::size_t size) {
  int32_t i = to_long(index);
  if (i < 0 || static_cast<std::size_t>(i) >= size) throw runtime_error(err::kSubscript);
  return static_cast<std::size_t>(i);
}

}  // namespace

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
          if (a.values.size() != 1) throw runtime_error(err::kSubscript);
          std::size_t i = index_of(a.values[0], v->array()->size());
          v->mutable_array()[i] = std::move(value);
          return;
        }
        a.values.push_back(std::move(value));
        a.refs.push_back(nullptr);
        if (v && v->is_object()) {
          invoke_member(object_of(*v), u"Item", kind, a);
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

void Runtime::dim(const DimItem& item, bool redim, bool preserve) {
  Scope& sc = scope();
  Variant* v = redim ? lookup(item.key) : nullptr;
  if (!v) v = sc.declare(item.key);
  if (!item.is_array) return;
  // One dimension only: the scripts that drive the library never need more.
  if (item.bounds.size() > 1) throw runtime_error(err::kSubscript);
  int32_t size = 0;
  if (!item.bounds.empty()) {
    size = to_long(eval(*item.bounds[0])) + 1;
    if (size < 0) throw runtime_error(err::kSubscript);
  }
  if (preserve && v->is_array()) {
    auto copy = std::make_shared<Array>(*v->array());
    copy->resize(static_cast<std::size_t>(size));
    *v = Variant(copy);
  } else {
    *v = Variant(std::make_shared<Array>(static_cast<std::size_t>(size)));
  }
}

Variant* Runtime::loop_variable(const Expr& target) {
  if (Variant* v = lookup(target.key)) return v;
  if (option_explicit) throw runtime_error(herr::kUndefinedVariable);
  return scope().declare(target.key);
}

Flow Runtime::for_loop(const Stmt& s) {
  Variant start = eval(*s.value);
  double limit = to_double(eval(*s.limit));
  Variant step = s.step ? eval(*s.step) : Variant(int16_t{1});
  double increment = to_double(step);
  Variant* var = loop_variable(*s.target);
  *var = start;
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
  Variant group = eval(*s.value);
  std::vector<Variant> items;
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

Flow Runtime::do_loop(const Stmt& s) {
  auto done = [&] { return truthy(eval(*s.value)) == s.until; };
  for (;;) {
    take_step(s);
    if (s.value && !s.test_after && done()) break;
    Flow flow = exec_block(s.blocks[0]);
    if (flow == Flow::ExitDo) break;
    if (flow != Flow::Next) return flow;
    if (s.value && s.test_after && done()) break;
  }
  return Flow::Next;
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
  rt_->arguments = std::make_shared<Arguments>(options.arguments);
  rt_->options = std::move(options);
}

Interpreter::~Interpreter() = default;

int Interpreter::run(std::u16string_view source, const std::string& file_name) {
  return rt_->execute(source, file_name).value_or(0);
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
