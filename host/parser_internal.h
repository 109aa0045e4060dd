// The parser's state, shared by its statement and expression halves.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ast.h"
#include "lexer.h"

namespace halvora::host::detail {

// Deeper nesting than this is refused: each level costs a dozen native frames while parsing.
inline constexpr int kMaxDepth = 200;

bool reserved(std::u16string_view key);
// An identifier that can name a variable or procedure.
inline bool is_name(const Token& t) {
  return t.kind == Tok::Identifier && (t.bracketed || !reserved(t.key));
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  Program program() {
    Program p;
    p.body = block(/*top=*/true, &p);
    if (!at_end()) fail(u"Expected statement");
    return p;
  }

 private:
  struct DepthGuard {
    Parser& p;
    explicit DepthGuard(Parser& parser) : p(parser) {
      if (++p.depth_ > kMaxDepth) p.fail(u"Out of stack space");
    }
    ~DepthGuard() { --p.depth_; }
  };

  // ---- tokens -----------------------------------------------------------------------------

  const Token& cur() const { return t_[i_]; }
  const Token& peek(std::size_t n = 1) const { return t_[std::min(i_ + n, t_.size() - 1)]; }
  bool at_end() const { return cur().kind == Tok::End; }
  void next() {
    if (i_ + 1 < t_.size()) ++i_;
  }
  bool is_kw(std::u16string_view kw, const Token& t) const {
    return t.kind == Tok::Identifier && !t.bracketed && t.key == kw;
  }
  bool is_kw(std::u16string_view kw) const { return is_kw(kw, cur()); }
  bool is_op(std::u16string_view op) const {
    return cur().kind == Tok::Operator && cur().text == op;
  }
  bool accept_kw(std::u16string_view kw) {
    if (!is_kw(kw)) return false;
    next();
    return true;
  }
  bool accept_op(std::u16string_view op) {
    if (!is_op(op)) return false;
    next();
    return true;
  }
  [[noreturn]] void fail(std::u16string message) const {
    throw SyntaxError{std::move(message), cur().line, cur().column};
  }
  void expect_kw(std::u16string_view kw, std::u16string message) {
    if (!accept_kw(kw)) fail(std::move(message));
  }
  void expect_op(std::u16string_view op) {
    if (!accept_op(op)) fail(u"Expected '" + std::u16string(op) + u"'");
  }
  std::u16string identifier() {
    if (!is_name(cur())) fail(u"Expected identifier");
    std::u16string name = cur().text;
    next();
    return name;
  }
  bool end_of_statement() const {
    return cur().kind == Tok::Newline || cur().kind == Tok::End ||
           (single_line_if_ > 0 && is_kw(u"else"));
  }
  void skip_newlines() {
    while (cur().kind == Tok::Newline) next();
  }

  // ---- statements (parser.cpp)
  // Statements up to a keyword that closes the enclosing construct (left for the caller).
  Block block(bool top, Program* program);
  bool closes_block() const;
  void end_statement();
  std::shared_ptr<Procedure> procedure();
  std::shared_ptr<ClassDef> class_definition();
  void class_member(ClassDef& c);
  Stmt statement();
  DimItem dim_item(bool redim);
  // Assignment, or a call with or without parentheses around its arguments.
  void simple_statement(Stmt& s);
  ExprPtr as_call(ExprPtr e);
  void if_statement(Stmt& s);
  // The statements of a one-line If branch: they end at the line's end or at Else.
  Block line_statements();
  bool is_colon() const;
  void select_statement(Stmt& s);
  CaseTest case_test();
  void for_statement(Stmt& s);
  void do_statement(Stmt& s);
  ExprPtr name_expr();

  // ---- expressions (expression_parser.cpp)
  static ExprPtr make(ExprKind kind, const Expr& at);
  ExprPtr make_here(ExprKind kind) const;
  ExprPtr expr();
  // The binary operator at the current token for a precedence level, if any.
  bool binary_op(int lvl, Op& op) const;
  // Levels from the loosest (Imp) to the tightest (^); 5 is Not and 12 unary minus.
  ExprPtr level(int lvl);
  ExprPtr unary_minus(int next_level);
  // A primary with its member accesses and argument lists. At the head of a statement a "("
  // preceded by a space whose ")" does not end the statement begins the first argument instead
  // ("obj.M (a) + 1, b").
  ExprPtr postfix(bool head);
  bool paren_ends_statement() const;
  // Comma-separated arguments; an empty place is an omitted argument (a null pointer).
  void arguments(std::vector<ExprPtr>& args, const char16_t* closing);
  ExprPtr primary();
  SourcePos here() const { return {cur().line, cur().column}; }

  std::vector<Token> t_;
  std::size_t i_ = 0;
  int depth_ = 0;
  int single_line_if_ = 0;
};

}  // namespace halvora::host::detail
