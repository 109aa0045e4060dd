// The interpreter's state and evaluator, shared by the statement and expression halves.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ast.h"
#include "interpreter.h"
#include "script_error.h"
#include "wscript.h"

namespace halvora::host {

// WScript.Quit unwinds the whole script.
struct QuitSignal {
  int code;
};

// The step limit unwinds the whole script too: On Error Resume Next must not carry on past it.
struct StepLimitSignal {
  int line;
  int column;
};

enum class Flow { Next, ExitFor, ExitDo, ExitProc };

class Instance;  // classes.h
struct Finalizer;

struct Scope {
  std::unordered_map<std::u16string, Variant*> vars;
  std::deque<Variant> storage;  // stable addresses for by-reference parameters, declaration order
  std::unordered_set<std::u16string> constants;
  std::unordered_set<std::u16string> fixed_arrays;  // Dim a(n): ReDim may not resize them
  bool resume_next = false;
  const Procedure* procedure = nullptr;
  std::shared_ptr<Instance> self;     // Me, in a procedure of a script's class
  std::vector<Variant> with_objects;  // the objects of the enclosing With blocks, innermost last

  Variant* declare(const std::u16string& key) {
    auto it = vars.find(key);
    if (it != vars.end()) return it->second;
    storage.emplace_back();
    return vars[key] = &storage.back();
  }
  Variant* find(const std::u16string& key) {
    auto it = vars.find(key);
    return it == vars.end() ? nullptr : it->second;
  }
};

// Evaluated arguments; refs[i] is the variable behind a plain-name argument, for write-back.
struct ArgValues {
  std::vector<Variant> values;
  std::vector<Variant*> refs;
};

struct Runtime {
  ~Runtime();  // classes.cpp: no Class_Terminate runs once the runtime goes

  Interpreter::Options options;
  Scope global;
  std::vector<Scope*> frames;  // procedure scopes, innermost last
  std::unordered_map<std::u16string, std::shared_ptr<Procedure>> procedures;
  std::unordered_map<std::u16string, std::shared_ptr<ClassDef>> classes;
  std::shared_ptr<Finalizer> finalizer;
  std::vector<Program> programs;  // keeps every parsed tree alive (interactive lines add more)
  bool option_explicit = false;
  ScriptError err;  // Err's state
  std::shared_ptr<HostObject> wscript = std::make_shared<HostObject>();
  std::shared_ptr<HostObject> err_object = std::make_shared<HostObject>();
  std::shared_ptr<Arguments> arguments;
  std::uintptr_t stack_base = 0;  // where the outermost run started, for the recursion limit
  bool quitting = false;          // set when WScript.Quit ended the run
  uint64_t steps = 0;             // taken by the current run, against options.max_steps

  // Parses and runs one source in the global scope; the exit code when it quit or failed.
  std::optional<int> execute(std::u16string_view source, const std::string& file);

  Scope& scope() { return frames.empty() ? global : *frames.back(); }
  Variant* lookup(const std::u16string& key);

  // interpreter.cpp: statements
  // Counts one step of `s` (the statement, or a turn of its loop) against the limit.
  void take_step(const Stmt& s);
  Flow exec_block(const Block& block);
  Flow exec(const Stmt& s);
  void assign(const Expr& target, Variant value, bool is_set);
  void dim(const DimItem& item, bool redim, bool preserve);
  bool builtin_constant_or_function(const std::u16string& key);
  Variant* loop_variable(const Expr& target);
  Flow for_loop(const Stmt& s);
  Flow for_each(const Stmt& s);
  Flow do_loop(const Stmt& s);
  Flow select(const Stmt& s);
  Flow once_after_failed_head(const Stmt& s);
  Flow with_block(const Stmt& s);
  // A condition or other head of a compound statement. Under On Error Resume Next a failure
  // fills Err and gives nothing, and the statement goes on with what follows the failed part.
  std::optional<Variant> eval_clause(SourcePos at, const std::function<Variant()>& evaluate);

  // arrays.cpp
  void erase(const DimItem& item);
  bool is_fixed_array(const std::u16string& key, const Variant* v);
  // Dim's or ReDim's shape: each upper bound plus one; none for "a()".
  std::vector<std::size_t> extents_of(const DimItem& item);

  // classes.cpp: script classes, GetRef and Class_Terminate
  Variant new_instance(const Expr& e);
  Variant class_member(const std::shared_ptr<Instance>& inst, std::u16string_view name,
                       CallKind kind, ArgValues& args);
  Variant get_ref(const std::vector<ExprPtr>* args);
  // The value of an instance whose class has a default member, else v itself.
  Variant value_of(const Variant& v);
  void run_terminators();
  // The end of a script: the globals go in the order they were declared. The exit code when a
  // Class_Terminate quits.
  std::optional<int> release_globals();
  void echo(std::u16string_view text);
  void report(const ScriptError& e, const std::string& file);

  // evaluate.cpp: expressions and calls
  Variant eval(const Expr& e);
  Variant eval_chain(const Expr& e);
  // A call node, or a bare name or member used as a statement or value.
  Variant call(const Expr& callee, const std::vector<ExprPtr>* args, bool statement);
  Variant call_name(const Expr& name, const std::vector<ExprPtr>* args, bool statement);
  Variant call_member(const Expr& member, const std::vector<ExprPtr>* args, bool statement);
  Variant call_host(const std::u16string& object, const Expr& member,
                    const std::vector<ExprPtr>* args);
  Variant call_procedure(const Procedure& p, const std::vector<ExprPtr>& args);
  // A procedure with evaluated arguments; by-reference parameters alias args.refs.
  Variant run_procedure(const Procedure& p, ArgValues& args, std::shared_ptr<Instance> self);
  Variant apply_args(const Variant& target, ArgValues& args);
  ArgValues eval_args(const std::vector<ExprPtr>* args);
  // The variable a plain name stands for, declared on first use as the platform's host does when
  // the name is nothing else; null when it names something else or Option Explicit forbids it.
  Variant* implicit_variable(const Expr& name);
  Variant invoke_member(const ObjectRef& obj, std::u16string_view name, CallKind kind,
                        ArgValues& args);
  ObjectRef object_of(const Variant& v);
  ObjectRef create(const Variant& progid);
  bool is_host_name(const Expr& e, const char16_t* key);
  const Member* application_member(const std::u16string& key);
};

}  // namespace halvora::host
