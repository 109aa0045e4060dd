#include "parser.h"
#include "parser_internal.h"

#include <array>
#include <utility>

namespace halvora::host {

namespace detail {

constexpr std::array<std::u16string_view, 49> kReserved{
    u"and",    u"byref",    u"byval", u"call",     u"case",    u"const",  u"dim",
    u"do",     u"each",     u"else",  u"elseif",   u"end",     u"eqv",    u"error",
    u"exit",   u"explicit", u"for",   u"function", u"goto",    u"if",     u"imp",
    u"in",     u"is",       u"loop",  u"mod",      u"new",     u"next",   u"not",
    u"on",     u"option",   u"or",    u"preserve", u"private", u"public", u"redim",
    u"resume", u"select",   u"set",   u"step",     u"sub",     u"then",   u"to",
    u"until",  u"wend",     u"while", u"xor",      u"with",    u"class",  u"property"};

bool reserved(std::u16string_view key) {
  for (auto r : kReserved)
    if (r == key) return true;
  return false;
}

// Statements up to a keyword that closes the enclosing construct (left for the caller).
Block Parser::block(bool top, Program* program) {
  DepthGuard guard(*this);
  Block out;
  for (;;) {
    skip_newlines();
    if (at_end() || closes_block()) return out;
    if (is_kw(u"public") || is_kw(u"private")) {
      if (is_kw(u"sub", peek()) || is_kw(u"function", peek())) next();
    }
    if (is_kw(u"sub") || is_kw(u"function")) {
      if (!top || !program) fail(u"Expected statement");
      program->procedures.push_back(procedure());
      continue;
    }
    if (is_kw(u"option")) {
      next();
      expect_kw(u"explicit", u"Expected 'Explicit'");
      if (program) program->option_explicit = true;
      Stmt s;
      s.kind = StmtKind::OptionExplicit;
      out.push_back(std::move(s));
      end_statement();
      continue;
    }
    out.push_back(statement());
    end_statement();
  }
}

bool Parser::closes_block() const {
  static constexpr std::array<std::u16string_view, 7> kClosers{u"end",  u"else", u"elseif", u"next",
                                                               u"loop", u"wend", u"case"};
  if (cur().kind != Tok::Identifier || cur().bracketed) return false;
  const std::u16string& k = cur().key;
  for (auto c : kClosers)
    if (c == k) return true;
  return false;
}

void Parser::end_statement() {
  if (cur().kind == Tok::Newline) {
    next();
    return;
  }
  if (cur().kind != Tok::End) fail(u"Expected end of statement");
}

std::shared_ptr<Procedure> Parser::procedure() {
  auto p = std::make_shared<Procedure>();
  p->is_function = is_kw(u"function");
  p->line = cur().line;
  next();
  p->name = identifier();
  p->key = fold(p->name);
  if (accept_op(u"(")) {
    if (!is_op(u")")) {
      do {
        Param param;
        if (accept_kw(u"byval"))
          param.by_val = true;
        else
          accept_kw(u"byref");
        param.name = identifier();
        param.key = fold(param.name);
        if (accept_op(u"(")) expect_op(u")");
        p->params.push_back(std::move(param));
      } while (accept_op(u","));
    }
    expect_op(u")");
  }
  end_statement();
  p->body = block(false, nullptr);
  const char16_t* kind = p->is_function ? u"function" : u"sub";
  if (!accept_kw(u"end") || !accept_kw(kind))
    fail(p->is_function ? u"Expected 'End Function'" : u"Expected 'End Sub'");
  return p;
}

Stmt Parser::statement() {
  Stmt s;
  s.line = cur().line;
  s.column = cur().column;
  if (accept_kw(u"dim") || accept_kw(u"public") || accept_kw(u"private")) {
    s.kind = StmtKind::Dim;
    do s.items.push_back(dim_item(false));
    while (accept_op(u","));
  } else if (accept_kw(u"redim")) {
    s.kind = StmtKind::ReDim;
    s.preserve = accept_kw(u"preserve");
    do s.items.push_back(dim_item(true));
    while (accept_op(u","));
  } else if (accept_kw(u"const")) {
    s.kind = StmtKind::Const;
    do {
      DimItem item;
      item.name = identifier();
      item.key = fold(item.name);
      expect_op(u"=");
      item.value = expr();
      s.items.push_back(std::move(item));
    } while (accept_op(u","));
  } else if (accept_kw(u"set")) {
    s.kind = StmtKind::Assign;
    s.is_set = true;
    s.target = postfix(false);
    expect_op(u"=");
    s.value = expr();
  } else if (accept_kw(u"call")) {
    s.kind = StmtKind::Call;
    s.target = as_call(postfix(false));
  } else if (is_kw(u"if")) {
    if_statement(s);
  } else if (accept_kw(u"select")) {
    select_statement(s);
  } else if (accept_kw(u"for")) {
    for_statement(s);
  } else if (accept_kw(u"do")) {
    do_statement(s);
  } else if (accept_kw(u"while")) {
    s.kind = StmtKind::Do;
    s.value = expr();
    s.blocks.push_back(block(false, nullptr));
    expect_kw(u"wend", u"Expected 'Wend'");
  } else if (accept_kw(u"exit")) {
    if (accept_kw(u"for"))
      s.kind = StmtKind::ExitFor;
    else if (accept_kw(u"do"))
      s.kind = StmtKind::ExitDo;
    else if (accept_kw(u"sub"))
      s.kind = StmtKind::ExitSub;
    else if (accept_kw(u"function"))
      s.kind = StmtKind::ExitFunction;
    else
      fail(u"Expected 'Do', 'For', 'Sub' or 'Function'");
  } else if (accept_kw(u"on")) {
    expect_kw(u"error", u"Expected 'Error'");
    if (accept_kw(u"resume")) {
      expect_kw(u"next", u"Expected 'Next'");
      s.kind = StmtKind::OnErrorResumeNext;
    } else {
      expect_kw(u"goto", u"Expected 'GoTo'");
      if (cur().kind != Tok::Number || !(cur().value == Variant(int16_t{0}))) fail(u"Expected '0'");
      next();
      s.kind = StmtKind::OnErrorGoto0;
    }
  } else {
    simple_statement(s);
  }
  return s;
}

DimItem Parser::dim_item(bool redim) {
  DimItem item;
  item.name = identifier();
  item.key = fold(item.name);
  if (accept_op(u"(")) {
    item.is_array = true;
    if (!is_op(u")")) {
      do item.bounds.push_back(expr());
      while (accept_op(u","));
    }
    expect_op(u")");
  }
  if (redim && item.bounds.empty()) fail(u"Expected '('");
  return item;
}

// Assignment, or a call with or without parentheses around its arguments.
void Parser::simple_statement(Stmt& s) {
  if (!is_name(cur())) fail(u"Expected statement");
  ExprPtr head = postfix(true);
  if (accept_op(u"=")) {
    s.kind = StmtKind::Assign;
    s.target = std::move(head);
    s.value = expr();
    return;
  }
  s.kind = StmtKind::Call;
  if (end_of_statement()) {
    // Without Call, "Sub(x)" parenthesises the argument itself: the procedure gets a copy.
    if (head->kind == ExprKind::Call && head->args.size() == 1 && head->args[0])
      head->args[0]->parenthesized = true;
    s.target = as_call(std::move(head));
    return;
  }
  if (head->kind == ExprKind::Call) fail(u"Expected end of statement");
  auto call = make(ExprKind::Call, *head);
  call->base = std::move(head);
  arguments(call->args, /*closing=*/nullptr);
  s.target = std::move(call);
}

ExprPtr Parser::as_call(ExprPtr e) {
  if (e->kind == ExprKind::Call) return e;
  if (e->kind != ExprKind::Name && e->kind != ExprKind::Member) fail(u"Expected statement");
  auto call = make(ExprKind::Call, *e);
  call->base = std::move(e);
  return call;
}

void Parser::if_statement(Stmt& s) {
  s.kind = StmtKind::If;
  next();
  s.conditions.push_back(expr());
  expect_kw(u"then", u"Expected 'Then'");
  if (cur().kind != Tok::Newline) {
    // One line: statements separated by ':' up to the end of the line.
    ++single_line_if_;
    s.blocks.push_back(line_statements());
    if (accept_kw(u"else")) s.blocks.push_back(line_statements());
    --single_line_if_;
    if (is_kw(u"end") && is_kw(u"if", peek())) {
      next();
      next();
    }
    return;
  }
  s.blocks.push_back(block(false, nullptr));
  for (;;) {
    if (accept_kw(u"elseif")) {
      s.conditions.push_back(expr());
      expect_kw(u"then", u"Expected 'Then'");
      s.blocks.push_back(block(false, nullptr));
    } else if (accept_kw(u"else")) {
      s.blocks.push_back(block(false, nullptr));
      if (!is_kw(u"end")) fail(u"Expected 'End If'");
    } else {
      break;
    }
  }
  if (!accept_kw(u"end") || !accept_kw(u"if")) fail(u"Expected 'End If'");
}

// The statements of a one-line If branch: they end at the line's end or at Else.
Block Parser::line_statements() {
  DepthGuard guard(*this);
  Block out;
  for (;;) {
    if (is_kw(u"if") || is_kw(u"for") || is_kw(u"do") || is_kw(u"select") || is_kw(u"while")) {
      if (!is_kw(u"if")) fail(u"Expected statement");
    }
    out.push_back(statement());
    // ':' is lexed as a separator token too; only a real line end closes the one-line If.
    if (cur().kind == Tok::Newline && is_colon()) {
      next();
      if (cur().kind == Tok::Newline || at_end() || is_kw(u"else")) break;
      continue;
    }
    if (!end_of_statement() && !is_kw(u"end")) fail(u"Expected end of statement");
    break;
  }
  return out;
}

bool Parser::is_colon() const {
  return cur().text == u":";
}

void Parser::select_statement(Stmt& s) {
  s.kind = StmtKind::Select;
  expect_kw(u"case", u"Expected 'Case'");
  s.target = expr();
  end_statement();
  skip_newlines();
  bool seen_else = false;
  while (accept_kw(u"case")) {
    if (seen_else) fail(u"Expected 'End Select'");
    if (accept_kw(u"else")) {
      seen_else = true;
    } else {
      std::size_t n = 0;
      do {
        s.conditions.push_back(expr());
        ++n;
      } while (accept_op(u","));
      s.case_sizes.push_back(n);
    }
    s.blocks.push_back(block(false, nullptr));
  }
  if (!accept_kw(u"end") || !accept_kw(u"select")) fail(u"Expected 'End Select'");
}

void Parser::for_statement(Stmt& s) {
  if (accept_kw(u"each")) {
    s.kind = StmtKind::ForEach;
    s.target = name_expr();
    expect_kw(u"in", u"Expected 'In'");
    s.value = expr();
  } else {
    s.kind = StmtKind::For;
    s.target = name_expr();
    expect_op(u"=");
    s.value = expr();
    expect_kw(u"to", u"Expected 'To'");
    s.limit = expr();
    if (accept_kw(u"step")) s.step = expr();
  }
  s.blocks.push_back(block(false, nullptr));
  expect_kw(u"next", u"Expected 'Next'");
  if (is_name(cur())) next();
}

void Parser::do_statement(Stmt& s) {
  s.kind = StmtKind::Do;
  if (is_kw(u"while") || is_kw(u"until")) {
    s.until = is_kw(u"until");
    next();
    s.value = expr();
  }
  s.blocks.push_back(block(false, nullptr));
  expect_kw(u"loop", u"Expected 'Loop'");
  if (is_kw(u"while") || is_kw(u"until")) {
    if (s.value) fail(u"Expected end of statement");
    s.until = is_kw(u"until");
    s.test_after = true;
    next();
    s.value = expr();
  }
}

ExprPtr Parser::name_expr() {
  auto e = std::make_unique<Expr>();
  e->kind = ExprKind::Name;
  e->line = cur().line;
  e->column = cur().column;
  e->name = identifier();
  e->key = fold(e->name);
  return e;
}

}  // namespace detail

Program parse(std::u16string_view source) {
  return detail::Parser(tokenize(source)).program();
}

}  // namespace halvora::host
