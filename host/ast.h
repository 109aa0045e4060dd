// The syntax tree: the whole script is parsed into it before anything runs.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "automation/variant.h"

namespace halvora::host {

enum class Op {
  Pow,
  Neg,
  Mul,
  Div,
  IntDiv,
  Mod,
  Add,
  Sub,
  Concat,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,
  Is,
  Not,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
};

enum class ExprKind {
  Literal,  // value
  Name,     // name: a variable, constant, procedure, built-in or application member
  Member,   // base.name
  Call,     // base(args): a call, an index or a default member; args may hold nulls (omitted)
  Unary,    // op base
  Chain,    // base op[0] args[0] op[1] args[1] ...: one precedence level, left to right
  New,      // New name: an instance of a script's class
  With,     // the object of the innermost With, before ".name"
};

struct Expr {
  ExprKind kind = ExprKind::Literal;
  int line = 0;
  int column = 0;
  Variant value;
  std::u16string name;         // as written
  std::u16string key;          // folded, for look-ups
  bool parenthesized = false;  // "(x)" passes a copy even to a by-reference parameter
  std::unique_ptr<Expr> base;
  std::vector<std::unique_ptr<Expr>> args;
  std::vector<Op> ops;
};
using ExprPtr = std::unique_ptr<Expr>;

enum class StmtKind {
  OptionExplicit,
  Dim,
  ReDim,
  Const,
  Assign,
  Call,
  If,
  Select,
  For,
  ForEach,
  Do,
  ExitFor,
  ExitDo,
  ExitSub,
  ExitFunction,
  OnErrorResumeNext,
  OnErrorGoto0,
  With,   // value: the object; blocks[0]
  Erase,  // items: the arrays
};

struct Stmt;
using Block = std::vector<Stmt>;

struct DimItem {
  std::u16string name;
  std::u16string key;
  bool is_array = false;
  std::vector<ExprPtr> bounds;  // upper bounds; empty for "a()"
  ExprPtr value;                // Const only
};

// Where a clause of a compound statement begins (ElseIf, Case, Loop While): an error in its
// expression is reported there.
struct SourcePos {
  int line = 0;
  int column = 0;
};

// One test of a Case clause: "value", "Is op value" or "value To upper".
struct CaseTest {
  ExprPtr value;
  ExprPtr upper;
  Op op = Op::Eq;
};

struct Stmt {
  StmtKind kind = StmtKind::Call;
  int line = 0;
  int column = 0;
  bool is_set = false;    // Set x = ...
  bool preserve = false;  // ReDim Preserve
  std::vector<DimItem> items;
  ExprPtr target;  // assignment target, call expression, loop variable, Select subject
  ExprPtr value;   // assigned value, loop start, collection, Do condition
  ExprPtr limit;   // For ... To
  ExprPtr step;
  // If: conditions[i] guards blocks[i]; a trailing extra block is Else.
  // Select: cases holds the Case tests, case_sizes how many per block; a trailing extra block
  // is Case Else.
  std::vector<ExprPtr> conditions;
  std::vector<CaseTest> cases;
  std::vector<std::size_t> case_sizes;
  std::vector<Block> blocks;
  // If: where each condition stands; Select: each Case clause; Do: the closing Loop.
  std::vector<SourcePos> clauses;
  bool until = false;       // Do Until / Loop Until
  bool test_after = false;  // Do ... Loop While
};

struct Param {
  std::u16string name;
  std::u16string key;
  bool by_val = false;
};

enum class ProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Procedure {
  std::u16string name;
  std::u16string key;
  bool is_function = false;  // it has a result: a Function or a Property Get
  ProcKind kind = ProcKind::Sub;
  bool is_public = true;    // in a class
  bool is_default = false;  // a class's Public Default member
  std::vector<Param> params;
  Block body;
  int line = 0;
};

// A member of a class: its variable, or its procedures under one name (a property may have a
// Get, a Let and a Set).
struct ClassMember {
  std::u16string name;
  bool is_variable = false;
  bool is_public = true;              // of the variable
  DimItem variable;                   // Dim, Public or Private, with its array bounds
  std::shared_ptr<Procedure> method;  // Sub, Function or Property Get
  std::shared_ptr<Procedure> let;
  std::shared_ptr<Procedure> set;
};

struct ClassDef {
  std::u16string name;
  std::u16string key;
  std::vector<std::u16string> order;  // member keys as declared: variables start in this order
  std::unordered_map<std::u16string, ClassMember> members;
  std::u16string default_member;  // key, or empty
  int line = 0;

  const ClassMember* find(const std::u16string& key) const {
    auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
  }
};

struct Program {
  Block body;
  std::vector<std::shared_ptr<Procedure>> procedures;
  std::vector<std::shared_ptr<ClassDef>> classes;
  bool option_explicit = false;
};

}  // namespace halvora::host
