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
    if (is_kw(u"class")) {
      if (!top || !program) fail(u"Expected statement");
      program->classes.push_back(class_definition());
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
  p->line = cur().line;
  const char16_t* closing = u"sub";
  if (accept_kw(u"property")) {
    closing = u"property";
    if (accept_kw(u"get"))
      p->kind = ProcKind::PropertyGet;
    else if (accept_kw(u"let"))
      p->kind = ProcKind::PropertyLet;
    else if (accept_kw(u"set"))
      p->kind = ProcKind::PropertySet;
    else
      fail(u"Expected 'Get' or 'Let' or 'Set'");
  } else {
    if (is_kw(u"function")) {
      p->kind = ProcKind::Function;
      closing = u"function";
    }
    next();
  }
  p->is_function = p->kind == ProcKind::Function || p->kind == ProcKind::PropertyGet;
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
  // A Property Let or Set takes the assigned value as its last parameter.
  bool assigns = p->kind == ProcKind::PropertyLet || p->kind == ProcKind::PropertySet;
  if (assigns && p->params.empty()) fail(u"Expected identifier");
  end_statement();
  p->body = block(false, nullptr);
  if (!accept_kw(u"end") || !accept_kw(closing)) {
    fail(closing == std::u16string_view(u"property") ? u"Expected 'End Property'"
         : p->kind == ProcKind::Function             ? u"Expected 'End Function'"
                                                     : u"Expected 'End Sub'");
  }
  return p;
}

std::shared_ptr<ClassDef> Parser::class_definition() {
  auto c = std::make_shared<ClassDef>();
  c->line = cur().line;
  next();
  c->name = identifier();
  c->key = fold(c->name);
  end_statement();
  for (;;) {
    skip_newlines();
    if (accept_kw(u"end")) {
      expect_kw(u"class", u"Expected 'Class'");
      return c;
    }
    if (at_end()) fail(u"Expected 'End Class'");
    class_member(*c);
    end_statement();
  }
}

// One declaration in a class body: variables, or a procedure with its visibility.
void Parser::class_member(ClassDef& c) {
  bool is_public = true, is_default = false, access = false;
  if (accept_kw(u"public")) {
    access = true;
    is_default = accept_kw(u"default");
  } else if (accept_kw(u"private")) {
    access = true;
    is_public = false;
  }
  if (is_kw(u"sub") || is_kw(u"function") || is_kw(u"property")) {
    SourcePos at = here();
    std::shared_ptr<Procedure> p = procedure();
    p->is_public = is_public;
    p->is_default = is_default;
    if (is_default && p->kind != ProcKind::Function && p->kind != ProcKind::PropertyGet)
      throw SyntaxError{u"Expected 'Function' or 'Property Get'", at.line, at.column};
    auto [it, fresh] = c.members.try_emplace(p->key);
    ClassMember& m = it->second;
    if (fresh) {
      m.name = p->name;
      c.order.push_back(p->key);
    }
    std::shared_ptr<Procedure>& slot = p->kind == ProcKind::PropertyLet   ? m.let
                                       : p->kind == ProcKind::PropertySet ? m.set
                                                                          : m.method;
    // One name holds a variable, a Sub or Function, or the procedures of one property.
    bool property = p->kind != ProcKind::Sub && p->kind != ProcKind::Function;
    bool clash = m.is_variable || slot || (!property && (m.let || m.set)) ||
                 (property && m.method && m.method->kind != ProcKind::PropertyGet);
    if (clash) throw SyntaxError{u"Name redefined", at.line, at.column};
    slot = p;
    if (is_default) {
      if (!c.default_member.empty()) throw SyntaxError{u"Name redefined", at.line, at.column};
      c.default_member = p->key;
    }
    return;
  }
  if (is_default) fail(u"Expected 'Function' or 'Property Get'");
  if (!access && !accept_kw(u"dim")) fail(u"Expected statement");
  do {
    DimItem item = dim_item(false);
    if (c.members.count(item.key)) fail(u"Name redefined");
    ClassMember& m = c.members[item.key];
    m.name = item.name;
    m.is_variable = true;
    m.is_public = is_public;
    m.variable = std::move(item);
    c.order.push_back(m.variable.key);
  } while (accept_op(u","));
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
    else if (accept_kw(u"sub") || accept_kw(u"property"))
      s.kind = StmtKind::ExitSub;
    else if (accept_kw(u"function"))
      s.kind = StmtKind::ExitFunction;
    else
      fail(u"Expected 'Do', 'For', 'Sub', 'Function' or 'Property'");
  } else if (accept_kw(u"with")) {
    s.kind = StmtKind::With;
    s.value = expr();
    s.blocks.push_back(block(false, nullptr));
    if (!accept_kw(u"end") || !accept_kw(u"with")) fail(u"Expected 'End With'");
  } else if (is_kw(u"erase") && is_name(peek())) {
    next();
    s.kind = StmtKind::Erase;
    do {
      DimItem item;
      item.name = identifier();
      item.key = fold(item.name);
      s.items.push_back(std::move(item));
    } while (accept_op(u","));
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
  // ".Member" inside With starts a statement as a name does.
  if (!is_name(cur()) && !is_op(u".")) fail(u"Expected statement");
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
  s.clauses.push_back({s.line, s.column});
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
    SourcePos at = here();
    if (accept_kw(u"elseif")) {
      s.clauses.push_back(at);
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
  for (SourcePos at = here(); accept_kw(u"case"); at = here()) {
    if (seen_else) fail(u"Expected 'End Select'");
    if (accept_kw(u"else")) {
      seen_else = true;
    } else {
      std::size_t n = 0;
      do {
        s.cases.push_back(case_test());
        ++n;
      } while (accept_op(u","));
      s.case_sizes.push_back(n);
      s.clauses.push_back(at);
    }
    s.blocks.push_back(block(false, nullptr));
  }
  if (!accept_kw(u"end") || !accept_kw(u"select")) fail(u"Expected 'End Select'");
}

// "value", "Is op value" or "low To high".
CaseTest Parser::case_test() {
  CaseTest t;
  if (accept_kw(u"is")) {
    static constexpr std::pair<std::u16string_view, Op> kComparisons[] = {
        {u"=", Op::Eq}, {u"<>", Op::Ne}, {u"<", Op::Lt},
        {u">", Op::Gt}, {u"<=", Op::Le}, {u">=", Op::Ge},
    };
    bool found = false;
    for (const auto& [text, op] : kComparisons) {
      if (is_op(text)) {
        t.op = op;
        found = true;
      }
    }
    if (!found) fail(u"Expected comparison operator");
    next();
    t.value = expr();
    return t;
  }
  t.value = expr();
  if (accept_kw(u"to")) t.upper = expr();
  return t;
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
  s.clauses.push_back(here());
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
