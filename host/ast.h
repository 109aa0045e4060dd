// The syntax tree: the whole script is parsed into it before anything runs.
#pragma once

#include <memory>
#include <string>
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
  // Select: conditions holds Case values, case_sizes how many per block; a trailing extra block
  // is Case Else.
  std::vector<ExprPtr> conditions;
  std::vector<std::size_t> case_sizes;
  std::vector<Block> blocks;
  bool until = false;       // Do Until / Loop Until
  bool test_after = false;  // Do ... Loop While
};

struct Param {
  std::u16string name;
  std::u16string key;
  bool by_val = false;
};

struct Procedure {
  std::u16string name;
  std::u16string key;
  bool is_function = false;
  std::vector<Param> params;
  Block body;
  int line = 0;
};

struct Program {
  Block body;
  std::vector<std::shared_ptr<Procedure>> procedures;
  bool option_explicit = false;
};

}  // namespace halvora::host
