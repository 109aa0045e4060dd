// Expressions with the language's precedence, member chains and argument lists.
#include "parser_internal.h"

namespace halvora::host::detail {

ExprPtr Parser::make(ExprKind kind, const Expr& at) {
  auto e = std::make_unique<Expr>();
  e->kind = kind;
  e->line = at.line;
  e->column = at.column;
  return e;
}

ExprPtr Parser::make_here(ExprKind kind) const {
  auto e = std::make_unique<Expr>();
  e->kind = kind;
  e->line = cur().line;
  e->column = cur().column;
  return e;
}

ExprPtr Parser::expr() {
  DepthGuard guard(*this);
  return level(0);
}

// The binary operator at the current token for a precedence level, if any.
bool Parser::binary_op(int lvl, Op& op) const {
  const Token& t = cur();
  auto kw = [&](std::u16string_view k) { return is_kw(k, t); };
  auto sym = [&](std::u16string_view s) { return t.kind == Tok::Operator && t.text == s; };
  switch (lvl) {
    case 0:
      return kw(u"imp") ? (op = Op::Imp, true) : false;
    case 1:
      return kw(u"eqv") ? (op = Op::Eqv, true) : false;
    case 2:
      return kw(u"xor") ? (op = Op::Xor, true) : false;
    case 3:
      return kw(u"or") ? (op = Op::Or, true) : false;
    case 4:
      return kw(u"and") ? (op = Op::And, true) : false;
    case 6:
      if (sym(u"=")) return op = Op::Eq, true;
      if (sym(u"<>")) return op = Op::Ne, true;
      if (sym(u"<")) return op = Op::Lt, true;
      if (sym(u">")) return op = Op::Gt, true;
      if (sym(u"<=")) return op = Op::Le, true;
      if (sym(u">=")) return op = Op::Ge, true;
      if (kw(u"is")) return op = Op::Is, true;
      return false;
    case 7:
      return sym(u"&") ? (op = Op::Concat, true) : false;
    case 8:
      if (sym(u"+")) return op = Op::Add, true;
      if (sym(u"-")) return op = Op::Sub, true;
      return false;
    case 9:
      return kw(u"mod") ? (op = Op::Mod, true) : false;
    case 10:
      return sym(u"\\") ? (op = Op::IntDiv, true) : false;
    case 11:
      if (sym(u"*")) return op = Op::Mul, true;
      if (sym(u"/")) return op = Op::Div, true;
      return false;
    case 13:
      return sym(u"^") ? (op = Op::Pow, true) : false;
    default:
      return false;
  }
}

// Levels from the loosest (Imp) to the tightest (^); 5 is Not and 12 unary minus.
ExprPtr Parser::level(int lvl) {
  if (lvl == 5) {
    if (is_kw(u"not")) {
      DepthGuard guard(*this);
      auto e = make_here(ExprKind::Unary);
      next();
      e->ops.push_back(Op::Not);
      e->base = level(5);
      return e;
    }
    return level(6);
  }
  if (lvl == 12) return unary_minus(13);
  if (lvl == 14) return postfix(false);
  ExprPtr first = lvl == 13 ? postfix(false) : level(lvl + 1);
  Op op;
  if (!binary_op(lvl, op)) return first;
  auto chain = make(ExprKind::Chain, *first);
  chain->base = std::move(first);
  while (binary_op(lvl, op)) {
    next();
    chain->ops.push_back(op);
    chain->args.push_back(lvl == 13 ? unary_minus(14) : level(lvl + 1));
  }
  return chain;
}

ExprPtr Parser::unary_minus(int next_level) {
  if (is_op(u"-") || is_op(u"+")) {
    DepthGuard guard(*this);
    bool neg = is_op(u"-");
    auto e = make_here(ExprKind::Unary);
    next();
    ExprPtr operand = unary_minus(next_level);
    if (!neg) return operand;
    e->ops.push_back(Op::Neg);
    e->base = std::move(operand);
    return e;
  }
  return level(next_level);
}

// A primary with its member accesses and argument lists. At the head of a statement a "("
// preceded by a space whose ")" does not end the statement begins the first argument instead
// ("obj.M (a) + 1, b").
ExprPtr Parser::postfix(bool head) {
  ExprPtr e = primary();
  // A chain nests its tree one level per link; evaluation recurses that deep.
  for (int links = 0;; ++links) {
    if (links > kMaxDepth) fail(u"Out of stack space");
    if (cur().kind == Tok::Operator && cur().text == u"." && !cur().space_before) {
      next();
      auto m = make_here(ExprKind::Member);
      if (cur().kind != Tok::Identifier) fail(u"Expected identifier");
      m->name = cur().text;
      m->key = fold(m->name);
      next();
      m->base = std::move(e);
      e = std::move(m);
    } else if (is_op(u"(")) {
      if (head && cur().space_before && !paren_ends_statement()) return e;
      if (e->kind == ExprKind::Literal) fail(u"Expected end of statement");
      auto call = make(ExprKind::Call, *e);
      next();
      call->base = std::move(e);
      arguments(call->args, u")");
      e = std::move(call);
    } else {
      return e;
    }
  }
}

bool Parser::paren_ends_statement() const {
  int depth = 0;
  for (std::size_t j = i_; j < t_.size(); ++j) {
    const Token& t = t_[j];
    if (t.kind == Tok::Newline || t.kind == Tok::End) return true;
    if (t.kind != Tok::Operator) continue;
    if (t.text == u"(") ++depth;
    if (t.text == u")" && --depth == 0) {
      const Token& after = t_[std::min(j + 1, t_.size() - 1)];
      if (after.kind == Tok::Newline || after.kind == Tok::End) return true;
      if (after.kind == Tok::Operator &&
          (after.text == u"." || after.text == u"(" || after.text == u"="))
        return true;
      return single_line_if_ > 0 && is_kw(u"else", after);
    }
  }
  return true;
}

// Comma-separated arguments; an empty place is an omitted argument (a null pointer).
void Parser::arguments(std::vector<ExprPtr>& args, const char16_t* closing) {
  DepthGuard guard(*this);
  auto closes = [&] { return closing ? is_op(closing) : end_of_statement(); };
  if (closes()) {
    if (closing) next();
    return;
  }
  for (;;) {
    if (is_op(u","))
      args.push_back(nullptr);
    else
      args.push_back(expr());
    if (accept_op(u",")) {
      if (closes())
        args.push_back(nullptr);
      else
        continue;
    }
    break;
  }
  if (closing) expect_op(closing);
}

ExprPtr Parser::primary() {
  const Token& t = cur();
  if (t.kind == Tok::Number || t.kind == Tok::String) {
    auto e = make_here(ExprKind::Literal);
    e->value = t.value;
    next();
    return e;
  }
  if (is_op(u"(")) {
    DepthGuard guard(*this);
    next();
    ExprPtr e = expr();
    expect_op(u")");
    e->parenthesized = true;
    return e;
  }
  if (is_op(u".")) {
    // ".name" inside With: a member of the With block's object.
    auto m = make_here(ExprKind::Member);
    m->base = make_here(ExprKind::With);
    next();
    if (cur().kind != Tok::Identifier) fail(u"Expected identifier");
    m->name = cur().text;
    m->key = fold(m->name);
    next();
    return m;
  }
  if (is_kw(u"new")) {
    auto e = make_here(ExprKind::New);
    next();
    e->name = identifier();
    e->key = fold(e->name);
    return e;
  }
  if (t.kind == Tok::Identifier) {
    std::u16string key = t.key;
    if (is_name(t)) {
      auto e = make_here(ExprKind::Name);
      e->name = t.text;
      e->key = std::move(key);
      next();
      return e;
    }
  }
  fail(u"Expected expression");
}

}  // namespace halvora::host::detail
