#include "host/interpreter.h"
#include "host/lexer.h"
#include "host/script_error.h"

#include <gtest/gtest.h>

#include <string>

#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "support/test_env.h"

namespace halvora::host {
namespace {

struct Outcome {
  int code = 0;
  std::string out;
  std::string err;
};

// Runs with the given options, their output and errors caught.
Outcome run_with(Interpreter::Options opts, const std::string& script) {
  Outcome o;
  opts.script_name = u"t.vbs";
  opts.out = [&](std::string_view t) { o.out += t; };
  opts.err = [&](std::string_view t) { o.err += t; };
  Interpreter interpreter(std::move(opts));
  o.code = interpreter.run(utf8_to_utf16(script), "t.vbs");
  return o;
}

Outcome run(const std::string& script, std::vector<std::u16string> args = {}) {
  Interpreter::Options opts;
  opts.arguments = std::move(args);
  return run_with(std::move(opts), script);
}

// Every case runs with the default regional settings and without touching the network.
class InterpreterTest : public ::testing::Test {
 protected:
  test::RegionalScope regional_;
  test::ScopedEnv offline_{"HALVORA_NETSTATE", ""};
  test::UiScope ui_;
};

struct TokenCase {
  const char* source;
  Tok kind;
  Variant value;  // for numbers and strings
  int line;
  int column;
};

class InterpreterLexer : public ::testing::TestWithParam<TokenCase> {};

// The token under test is the last before the closing separator.
TEST_P(InterpreterLexer, ReadsTheLastToken) {
  std::vector<Token> tokens = tokenize(utf8_to_utf16(GetParam().source));
  ASSERT_GE(tokens.size(), 3u);
  const Token& t = tokens[tokens.size() - 3];
  EXPECT_EQ(t.kind, GetParam().kind) << GetParam().source;
  if (t.kind == Tok::Number || t.kind == Tok::String) {
    EXPECT_EQ(t.value, GetParam().value) << GetParam().source;
  }
  EXPECT_EQ(t.line, GetParam().line) << GetParam().source;
  EXPECT_EQ(t.column, GetParam().column) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterLexer,
    ::testing::Values(TokenCase{"x = 32767", Tok::Number, Variant(int16_t{32767}), 1, 5},
                      TokenCase{"x = 32768", Tok::Number, Variant(int32_t{32768}), 1, 5},
                      TokenCase{"x = 2147483648", Tok::Number, Variant(2147483648.0), 1, 5},
                      TokenCase{"x = 1.5E3", Tok::Number, Variant(1500.0), 1, 5},
                      TokenCase{"x = .5", Tok::Number, Variant(0.5), 1, 5},
                      TokenCase{"x = &H8000", Tok::Number, Variant(int16_t{-32768}), 1, 5},
                      TokenCase{"x = &hFFFFFFFF", Tok::Number, Variant(int32_t{-1}), 1, 5},
                      TokenCase{"x = \"a\"\"b\"", Tok::String, Variant(u"a\"b"), 1, 5},
                      TokenCase{"x = \"\"", Tok::String, Variant(u""), 1, 5},
                      TokenCase{"x = 1 + _\n  \"y\"", Tok::String, Variant(u"y"), 2, 3},
                      TokenCase{"x = 1 + _ \r\n\"y\"", Tok::String, Variant(u"y"), 2, 1},
                      TokenCase{"a\n\n  b <= c", Tok::Identifier, {}, 3, 8},
                      TokenCase{"a <> b ' note", Tok::Identifier, {}, 1, 6},
                      TokenCase{"a = b Rem note", Tok::Identifier, {}, 1, 5},
                      TokenCase{"x = [End]", Tok::Identifier, {}, 1, 5},
                      TokenCase{"x = a_b1", Tok::Identifier, {}, 1, 5},
                      TokenCase{"x = caf\xC3\xA9", Tok::Identifier, {}, 1, 5}));

TEST(InterpreterLexerErrors, ReportTheirPosition) {
  const std::pair<const char*, std::pair<int, int>> cases[] = {
      {"x = \"open", {1, 5}}, {"x = 1\ny = \"a\nz", {2, 5}}, {"x = 1 $ 2", {1, 7}},
      {"x = &H", {1, 5}},     {"x = &H123456789", {1, 5}},   {"x = [abc", {1, 5}},
  };
  for (const auto& [source, at] : cases) {
    try {
      tokenize(utf8_to_utf16(source));
      ADD_FAILURE() << source;
    } catch (const SyntaxError& e) {
      EXPECT_EQ(std::make_pair(e.line, e.column), at) << source;
    }
  }
}

struct ExprCase {
  const char* expr;
  const char* shown;  // what Echo prints
};

class InterpreterExpressions : public InterpreterTest,
                               public ::testing::WithParamInterface<ExprCase> {};

TEST_P(InterpreterExpressions, Evaluates) {
  Outcome o = run(std::string("WScript.Echo ") + GetParam().expr);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, std::string(GetParam().shown) + "\n") << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterExpressions,
    ::testing::Values(
        // precedence
        ExprCase{"1 + 2 * 3", "7"}, ExprCase{"(1 + 2) * 3", "9"}, ExprCase{"-2 ^ 2", "-4"},
        ExprCase{"2 ^ 3 ^ 2", "64"}, ExprCase{"2 * 3 Mod 4", "2"}, ExprCase{"7 \\ 2 * 2", "1"},
        ExprCase{"1 + 2 & 3 + 4", "37"}, ExprCase{"Not 1 = 2 And 3 > 2", "True"},
        ExprCase{"True Or False And False", "True"}, ExprCase{"1 Xor 3", "2"},
        // integer division, Mod and division
        ExprCase{"-7 \\ 2", "-3"}, ExprCase{"-7 Mod 3", "-1"}, ExprCase{"7.5 \\ 2", "4"},
        ExprCase{"10 / 4", "2.5"}, ExprCase{"TypeName(4 / 2)", "Double"},
        // result types widen on overflow
        ExprCase{"TypeName(32767 + 1)", "Long"}, ExprCase{"TypeName(1 + 1)", "Integer"},
        ExprCase{"TypeName(2147483647 + 1)", "Double"}, ExprCase{"TypeName(&HFFFF)", "Integer"},
        ExprCase{"&HFFFF", "-1"}, ExprCase{"&H10000", "65536"},
        // & and +
        ExprCase{"\"a\" & 1 & True", "a1True"}, ExprCase{"\"1\" + \"2\"", "12"},
        ExprCase{"\"1\" + 2", "3"}, ExprCase{"1.5 & \"\"", "1.5"},
        // comparisons: numbers sort before text, text compares by code unit
        ExprCase{"CInt(1) = CStr(1)", "False"}, ExprCase{"CInt(1) < CStr(0)", "True"},
        ExprCase{"\"a\" < \"b\"", "True"}, ExprCase{"\"B\" < \"a\"", "True"},
        ExprCase{"Empty = 0", "True"}, ExprCase{"Empty = \"\"", "True"},
        ExprCase{"2 >= 2.0", "True"},
        // Null and Empty
        ExprCase{"Null & \"x\"", "x"}, ExprCase{"IsNull(Null + 1)", "True"},
        ExprCase{"IsNull(Null = 1)", "True"}, ExprCase{"Null And False", "False"},
        ExprCase{"TypeName(Empty + Empty)", "Integer"}, ExprCase{"Len(Empty)", "0"},
        // Booleans are -1/0
        ExprCase{"CInt(True)", "-1"}, ExprCase{"True + True", "-2"}, ExprCase{"Not 0", "-1"},
        ExprCase{"CBool(\"false\")", "False"},
        // built-ins
        ExprCase{"Mid(\"hotel\", 2, 3) & Left(\"abc\", 2) & Right(\"abc\", 1)", "oteabc"},
        ExprCase{
            "InStr(\"abcabc\", \"c\") & InStr(4, \"abcabc\", \"c\") & InStrRev(\"abcabc\", \"b\")",
            "365"},
        ExprCase{"Replace(\"a-b-c\", \"-\", \"+\")", "a+b+c"},
        ExprCase{"UBound(Split(\"a,b,c\", \",\"))", "2"}, ExprCase{"UBound(Split(\"\"))", "-1"},
        ExprCase{"\"[\" & Trim(\"  x  \") & LTrim(\" y\") & RTrim(\"z \") & \"]\"", "[xyz]"},
        ExprCase{"UCase(\"abé\") & LCase(\"ABC\")", "ABÉabc"},
        ExprCase{"Round(2.5) & Round(3.5) & Round(-2.5)", "24-2"}, ExprCase{"Round(1.005, 2)", "1"},
        ExprCase{"Round(2.345, 2)", "2.34"}, ExprCase{"Int(-1.5) & Fix(-1.5) & Abs(-3)", "-2-13"},
        ExprCase{"Hex(255) & \" \" & Hex(-1)", "FF FFFF"},
        ExprCase{"Chr(65) & Asc(\"a\") & Len(Space(3))", "A973"},
        ExprCase{"IsNumeric(\"1.5\") & IsNumeric(\"x\") & IsEmpty(Empty)", "TrueFalseTrue"},
        ExprCase{"VarType(\"\") & VarType(CLng(1)) & TypeName(Nothing)", "83Nothing"},
        ExprCase{"TypeName(Array(1, 2)) & IsArray(Array())", "Variant()True"},
        ExprCase{"Len(vbCrLf) & vbObjectError", "2-2147221504"}, ExprCase{"CLng(\"12\") * 2", "24"},
        ExprCase{"CDbl(\"1.25\")", "1.25"}, ExprCase{"\"say \"\"hi\"\"\"", "say \"hi\""}));

struct ScriptCase {
  const char* name;
  const char* script;
  const char* out;
};

class InterpreterStatements : public InterpreterTest,
                              public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(InterpreterStatements, Runs) {
  Outcome o = run(GetParam().script);
  EXPECT_EQ(o.err, "") << GetParam().name;
  EXPECT_EQ(o.out, GetParam().out) << GetParam().name;
  EXPECT_EQ(o.code, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterStatements,
    ::testing::Values(
        ScriptCase{"for_step", "For i = 10 To 1 Step -3 : s = s & i & \",\" : Next\nWScript.Echo s",
                   "10,7,4,1,\n"},
        ScriptCase{"for_exit", "For i = 1 To 10\n If i = 3 Then Exit For\nNext\nWScript.Echo i",
                   "3\n"},
        ScriptCase{"for_empty_range", "For i = 5 To 1 : WScript.Echo i : Next : WScript.Echo \"x\"",
                   "x\n"},
        ScriptCase{"do_until", "Do Until n >= 3\n n = n + 1\nLoop\nWScript.Echo n", "3\n"},
        ScriptCase{"do_loop_while_runs_once", "Do\n n = n + 1\nLoop While False\nWScript.Echo n",
                   "1\n"},
        ScriptCase{"exit_do_in_for",
                   "Do\n For i = 1 To 5\n  If i = 2 Then Exit Do\n Next\nLoop\nWScript.Echo i",
                   "2\n"},
        ScriptCase{"while_wend", "While n < 4 : n = n + 2 : Wend : WScript.Echo n", "4\n"},
        ScriptCase{"select",
                   "For Each v In Array(1, 2, \"x\", 9)\nSelect Case v\n Case 1, 2: WScript.Echo "
                   "\"small\"\n Case \"x\"\n  WScript.Echo \"text\"\n Case Else\n  WScript.Echo "
                   "\"other\"\nEnd Select\nNext",
                   "small\nsmall\ntext\nother\n"},
        ScriptCase{"if_elseif",
                   "x = 2\nIf x = 1 Then\n WScript.Echo 1\nElseIf x = 2 Then\n WScript.Echo "
                   "2\nElse\n WScript.Echo 3\nEnd If",
                   "2\n"},
        ScriptCase{"single_line_if",
                   "If 1 > 2 Then WScript.Echo \"a\" Else WScript.Echo \"b\" : "
                   "WScript.Echo \"c\"",
                   "b\nc\n"},
        ScriptCase{"byref_byval",
                   "Sub S(a, ByVal b)\n a = a + 1 : b = b + 1\nEnd Sub\nSub T(a) : a = a + 1 : End "
                   "Sub\nx = 1 : y = 1\nS x, y\nS "
                   "(x), y\nT(x)\nCall S(x, y)\nWScript.Echo x, y",
                   "3 1\n"},
        ScriptCase{
            "byref_declares_a_new_variable",
            "Sub T(a) : a = 7 : End Sub\nT fresh\nSet d = CreateObject(\"HALVORA.Document\")\n"
            "ok = d.DllMain(inst, 1, inst2)\nWScript.Echo fresh, TypeName(inst), ok",
            "7 Long True\n"},
        ScriptCase{"timer_is_a_single",
                   "t = Timer\nWScript.Echo TypeName(t), TypeName(t - t), TypeName(t + 100000), "
                   "t >= 0 And t < 86400",
                   "Single Single Double True\n"},
        ScriptCase{"function_recursion",
                   "Function F(n)\n If n < 2 Then F = 1 : Exit Function\n F = n * F(n - 1)\nEnd "
                   "Function\nWScript.Echo F(10)",
                   "3628800\n"},
        ScriptCase{"procedure_before_definition",
                   "Hello\nSub Hello : WScript.Echo \"hi\" : End Sub", "hi\n"},
        ScriptCase{"locals_shadow_globals",
                   "x = 1\nSub S\n Dim x : x = 5\nEnd Sub\nS\nWScript.Echo x", "1\n"},
        ScriptCase{
            "arrays",
            "ReDim a(2)\na(0) = \"x\" : b = a : b(0) = \"y\"\nReDim Preserve a(4)\na(4) = 4\n"
            "WScript.Echo a(0), b(0), UBound(a), a(4)",
            "x y 4 4\n"},
        ScriptCase{"for_each_split",
                   "For Each p In Split(\"a;b\", \";\") : s = s & p : Next\n"
                   "WScript.Echo s",
                   "ab\n"},
        ScriptCase{"const_and_continuation", "Const K = 2\nx = K + _\n  3\nWScript.Echo x", "5\n"},
        ScriptCase{"echo_parenthesised_first_argument", "WScript.Echo (1 + 2) * 3, \"x\"", "9 x\n"},
        ScriptCase{"comments", "' first\nRem second\nWScript.Echo 1 ' third", "1\n"},
        ScriptCase{"err_raise",
                   "On Error Resume Next\nErr.Raise vbObjectError + 7, \"Mine\", \"bad\"\n"
                   "WScript.Echo Err.Number - vbObjectError, Err.Source, Err.Description",
                   "7 Mine bad\n"},
        ScriptCase{"resume_next_continues_after_failure",
                   "On Error Resume Next\nx = 1 / 0\nWScript.Echo Err.Number, Err.Description\n"
                   "On Error GoTo 0\nWScript.Echo Err.Number",
                   "11 Division by zero\n0\n"},
        ScriptCase{"error_in_procedure_reaches_caller",
                   "Sub S\n x = \"a\" * 2\n WScript.Echo \"not here\"\nEnd Sub\nOn Error Resume "
                   "Next\nS\nWScript.Echo Err.Number",
                   "13\n"},
        ScriptCase{"nothing_and_is",
                   "Set a = Nothing\nSet d = CreateObject(\"HALVORA.Document\")\nSet e = d\n"
                   "WScript.Echo a Is Nothing, d Is e, IsObject(d)",
                   "True True True\n"},
        ScriptCase{"application_object_member", "WScript.Echo TypeName(Lan())", "Boolean\n"}));

// The result type decides how later arithmetic and Echo behave, so it is checked on its own.
INSTANTIATE_TEST_SUITE_P(
    InterpreterTypes, InterpreterExpressions,
    ::testing::Values(
        ExprCase{"TypeName(-32768)", "Long"}, ExprCase{"TypeName(-(-32767))", "Integer"},
        ExprCase{"TypeName(200 * 200)", "Long"}, ExprCase{"TypeName(1.0 + 1)", "Double"},
        ExprCase{"TypeName(\"1\" + 1)", "Double"}, ExprCase{"TypeName(True + 1)", "Integer"},
        ExprCase{"TypeName(True And False)", "Boolean"}, ExprCase{"TypeName(1 And 3)", "Integer"},
        ExprCase{"TypeName(70000 Or 1)", "Long"}, ExprCase{"TypeName(7 \\ 2)", "Integer"},
        ExprCase{"TypeName(70000 \\ 2)", "Long"}, ExprCase{"TypeName(2 ^ 2)", "Double"},
        ExprCase{"TypeName(\"a\" & 1)", "String"}, ExprCase{"TypeName(CDate(1) + 1)", "Date"},
        ExprCase{"TypeName(CDate(2) - CDate(1))", "Double"},
        ExprCase{"TypeName(Null & Null)", "Null"}, ExprCase{"TypeName(Not Null)", "Null"},
        ExprCase{"TypeName(Abs(-2))", "Integer"}, ExprCase{"TypeName(Int(2.5))", "Double"},
        ExprCase{"TypeName(Round(2.5))", "Double"}, ExprCase{"TypeName(Len(\"ab\"))", "Long"},
        ExprCase{"TypeName(Asc(\"a\"))", "Integer"},
        ExprCase{"TypeName(Split(\"a\")(0))", "String"},
        ExprCase{"TypeName(WScript.Arguments)", "Object"},
        ExprCase{"TypeName(Left(Null, 1))", "Null"}, ExprCase{"TypeName(Len(Null))", "Null"},
        ExprCase{"TypeName(InStr(Null, \"a\"))", "Null"}));

struct BuiltinErrorCase {
  const char* expr;
  int number;
};

class InterpreterBuiltinErrors : public InterpreterTest,
                                 public ::testing::WithParamInterface<BuiltinErrorCase> {};

TEST_P(InterpreterBuiltinErrors, RaiseTheStandardNumber) {
  Outcome o = run(std::string("On Error Resume Next\nx = ") + GetParam().expr +
                  "\nWScript.Echo Err.Number & \" \" & Err.Source");
  EXPECT_EQ(o.out, std::to_string(GetParam().number) + " Microsoft VBScript runtime error\n")
      << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterBuiltinErrors,
    ::testing::Values(BuiltinErrorCase{"Left(\"a\", -1)", 5}, BuiltinErrorCase{"Mid(\"a\", 0)", 5},
                      BuiltinErrorCase{"Space(-1)", 5}, BuiltinErrorCase{"Chr(256)", 5},
                      BuiltinErrorCase{"Asc(\"\")", 5},
                      BuiltinErrorCase{"InStr(0, \"a\", \"a\")", 5},
                      BuiltinErrorCase{"Round(1.5, -1)", 5}, BuiltinErrorCase{"CInt(\"x\")", 13},
                      BuiltinErrorCase{"CLng(3000000000)", 6}, BuiltinErrorCase{"CInt(32767.5)", 6},
                      BuiltinErrorCase{"CDbl(Null)", 94}, BuiltinErrorCase{"UBound(1)", 13},
                      BuiltinErrorCase{"UBound(Array(), 2)", 9}, BuiltinErrorCase{"Len()", 450},
                      BuiltinErrorCase{"Mid(\"a\")", 450}, BuiltinErrorCase{"Trim(\"a\", )", 450},
                      BuiltinErrorCase{"Array(1, , 2)", 450}, BuiltinErrorCase{"1 / 0", 11},
                      BuiltinErrorCase{"0 / 0", 6}, BuiltinErrorCase{"5 Mod 0", 11},
                      BuiltinErrorCase{"Nothing Is 1", 424}, BuiltinErrorCase{"Array(1) = 1", 13},
                      BuiltinErrorCase{"-\"x\"", 13}, BuiltinErrorCase{"Split(Null)", 94},
                      BuiltinErrorCase{"Join(1)", 13}, BuiltinErrorCase{"Array(1)(1)", 9},
                      BuiltinErrorCase{"Nope(1)", 13}, BuiltinErrorCase{"WScript.Nope", 438},
                      BuiltinErrorCase{"WScript.Arguments(0)", 9},
                      BuiltinErrorCase{"CreateObject()", 450}));

INSTANTIATE_TEST_SUITE_P(
    InterpreterMore, InterpreterStatements,
    ::testing::Values(
        ScriptCase{"redim_without_preserve_clears",
                   "ReDim a(1)\na(0) = 1\nReDim a(3)\nWScript.Echo IsEmpty(a(0)), UBound(a)",
                   "True 3\n"},
        ScriptCase{"redim_preserve_shrinks",
                   "a = Array(1, 2, 3)\nReDim Preserve a(0)\n"
                   "WScript.Echo UBound(a), a(0)",
                   "0 1\n"},
        ScriptCase{"array_copies_are_independent",
                   "a = Array(1, 2)\nb = a\na(0) = 9\nWScript.Echo a(0), b(0)", "9 1\n"},
        ScriptCase{"array_byref_parameter",
                   "Sub Fill(x)\n x(1) = \"f\"\nEnd Sub\nDim a(2)\nFill a\nWScript.Echo a(1)",
                   "f\n"},
        ScriptCase{"array_byval_parameter",
                   "Sub Fill(ByVal x)\n x(1) = \"f\"\nEnd Sub\nDim a(2)\nFill a\n"
                   "WScript.Echo IsEmpty(a(1))",
                   "True\n"},
        ScriptCase{"for_double_step",
                   "For x = 0 To 1 Step 0.25 : n = n + 1 : Next\nWScript.Echo n, x", "5 1.25\n"},
        ScriptCase{"for_limits_read_once",
                   "m = 3\nFor i = 1 To m : m = 10 : n = n + 1 : Next\nWScript.Echo n", "3\n"},
        ScriptCase{"nested_loops_exit_inner_only",
                   "For i = 1 To 3\n For j = 1 To 3\n  If j = 2 Then Exit For\n  n = n + 1\n Next\n"
                   "Next\nWScript.Echo n",
                   "3\n"},
        ScriptCase{"exit_sub_skips_rest",
                   "Sub S\n WScript.Echo 1\n Exit Sub\n WScript.Echo 2\nEnd Sub\nS\nWScript.Echo 3",
                   "1\n3\n"},
        ScriptCase{"function_without_assignment_is_empty",
                   "Function F : End Function\nWScript.Echo IsEmpty(F), IsEmpty(F())",
                   "True True\n"},
        ScriptCase{"function_returns_object",
                   "Function F\n Set F = CreateObject(\"HALVORA.Document\")\nEnd Function\n"
                   "Set d = F()\nWScript.Echo TypeName(d)",
                   "Document\n"},
        ScriptCase{"resume_next_stays_inside_the_procedure",
                   "Sub S\n On Error Resume Next\n x = 1 / 0\n WScript.Echo \"in\", Err.Number\n"
                   "End Sub\nS\nWScript.Echo \"out\"",
                   "in 11\nout\n"},
        ScriptCase{"err_clear_and_goto0_reset",
                   "On Error Resume Next\nx = 1 / 0\nErr.Clear\nWScript.Echo Err.Number, "
                   "Err.Description = \"\"\nx = 1 / 0\nOn Error Resume Next\nWScript.Echo Err",
                   "0 True\n0\n"},
        ScriptCase{"err_raise_defaults",
                   "On Error Resume Next\nErr.Raise 9\nWScript.Echo Err.Number, Err.Description, "
                   "Err.Source",
                   "9 Subscript out of range Microsoft VBScript runtime error\n"},
        ScriptCase{"err_properties_assignable",
                   "Err.Number = 7 : Err.Description = \"d\"\nWScript.Echo Err.Number, "
                   "Err.Description",
                   "7 d\n"},
        ScriptCase{"library_byref_writes_back",
                   "Set d = CreateObject(\"HALVORA.Document\")\na = \"5\" : b = \"6\"\n"
                   "d.DllMain a, (b), 7\nWScript.Echo TypeName(a), TypeName(b)",
                   "Long String\n"},
        ScriptCase{"library_property_let_and_get",
                   "Set d = CreateObject(\"HALVORA.Document\")\nd.TarjetaVIP = 12\n"
                   "WScript.Echo d.TarjetaVIP, TypeName(d.TarjetaVIP)",
                   "12 String\n"},
        ScriptCase{"application_property_unqualified",
                   "TarjetaVIP = \"77\"\nWScript.Echo TarjetaVIP", "77\n"},
        ScriptCase{"variables_hide_application_members",
                   "Dim Lan : Lan = \"mine\"\nWScript.Echo Lan", "mine\n"},
        ScriptCase{"echo_forms",
                   "WScript.Echo\nWScript.Echo Null, Empty, True, 1.5, \"\"\nWScript.Echo(\"p\")",
                   "\nNull  True 1.5 \np\n"},
        ScriptCase{"utf8_text", "WScript.Echo \"caf\xC3\xA9 \xE2\x82\xAC\", Len(\"\xE2\x82\xAC\")",
                   "caf\xC3\xA9 \xE2\x82\xAC 1\n"},
        ScriptCase{"case_insensitive_names",
                   "DIM Abc : abc = 1 : wscript.echo ABC + 1 : WSCRIPT.ECHO ucase(\"x\")",
                   "2\nX\n"},
        ScriptCase{"select_uses_string_compare",
                   "Select Case \"1\"\n Case 1 : WScript.Echo \"num\"\n Case \"1\" : WScript.Echo "
                   "\"text\"\nEnd Select",
                   "text\n"},
        ScriptCase{"single_line_if_with_colon_in_both_branches",
                   "If 2 > 1 Then a = 1 : b = 2 Else a = 3 : b = 4\nWScript.Echo a, b", "1 2\n"},
        ScriptCase{"nested_single_line_if",
                   "If 1 Then If 0 Then WScript.Echo \"a\" Else WScript.Echo \"b\"", "b\n"},
        ScriptCase{"bracketed_reserved_name", "[end] = 4 : WScript.Echo [END]", "4\n"},
        ScriptCase{"null_condition_is_false",
                   "If Null Then WScript.Echo \"t\" Else WScript.Echo \"f\"", "f\n"}));

TEST_F(InterpreterTest, QuitInsideAProcedureEndsTheScript) {
  Outcome o =
      run("Sub S\n WScript.Echo 1\n WScript.Quit 7\nEnd Sub\nOn Error Resume Next\nS\n"
          "WScript.Echo 2");
  EXPECT_EQ(o.out, "1\n");
  EXPECT_EQ(o.code, 7);
  EXPECT_EQ(run("WScript.Quit").code, 0);
}

TEST_F(InterpreterTest, OptionExplicitAppliesInsideProcedures) {
  Outcome o = run("Option Explicit\nSub S\n Dim a : a = 1\n b = 2\nEnd Sub\nS");
  EXPECT_EQ(o.err, "t.vbs(4, 2) Microsoft VBScript runtime error: Variable is undefined\n");
  EXPECT_EQ(run("Option Explicit\nFor i = 1 To 2 : Next").code, 1);
  EXPECT_EQ(run("Option Explicit\nDim i\nFor i = 1 To 2 : Next").code, 0);
}

TEST_F(InterpreterTest, ForEachAndDefaultMemberOverALibraryCollection) {
  auto items = Collection::create();
  items->Add(Variant(u"a"));
  items->Add(Variant(int32_t{2}));
  Outcome o;
  Interpreter::Options opts;
  opts.out = [&](std::string_view t) { o.out += t; };
  opts.err = [&](std::string_view t) { o.err += t; };
  Interpreter interpreter(std::move(opts));
  interpreter.set_global(u"Items", Variant(ObjectRef(items)));
  o.code = interpreter.run(
      u"For Each x In Items : s = s & x & \"|\" : Next\nWScript.Echo s, Items(1), "
      u"Items.Count, TypeName(Items)",
      "t.vbs");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "a|2| a 2 Collection\n");
}

// An array a library member returns shows its element type, and keeps it through assignment and
// parameters, while the arrays scripts build stay Variant().
TEST_F(InterpreterTest, TypedArraysFromTheLibraryKeepTheirElementType) {
  auto names = std::make_shared<Array>(VarType::String);
  names->push_back(Variant(u"a"));
  names->push_back(Variant(u"b"));
  Outcome o;
  Interpreter::Options opts;
  opts.out = [&](std::string_view t) { o.out += t; };
  opts.err = [&](std::string_view t) { o.err += t; };
  Interpreter interpreter(std::move(opts));
  interpreter.set_global(u"Names", Variant(names));
  interpreter.set_global(u"NoNames", Variant(std::make_shared<Array>(VarType::String)));
  interpreter.set_global(u"NoGroups", Variant(std::make_shared<Array>(VarType::Object)));
  o.code = interpreter.run(
      u"Function Kind(ByVal x) : Kind = TypeName(x) & VarType(x) : End Function\n"
      u"copy = Names\n"
      u"For Each n In Names : s = s & n : Next\n"
      u"WScript.Echo Kind(Names), Kind(copy), Kind(NoNames), Kind(NoGroups), s\n"
      u"WScript.Echo LBound(NoNames), UBound(NoNames), UBound(Names), IsArray(NoGroups)\n"
      u"WScript.Echo Kind(Array()), Kind(Split(\"a b\"))",
      "t.vbs");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out,
            "String()8200 String()8200 String()8200 Object()8201 ab\n"
            "0 -1 1 True\n"
            "Variant()8204 Variant()8204\n");
}

struct ErrCase {
  const char* statement;
  int number;
  const char* source;
};

class InterpreterLibraryErrors : public InterpreterTest,
                                 public ::testing::WithParamInterface<ErrCase> {};

TEST_P(InterpreterLibraryErrors, FillErr) {
  Outcome o =
      run(std::string("On Error Resume Next\nSet d = CreateObject(\"HALVORA.Document\")\n") +
          GetParam().statement + "\nWScript.Echo Err.Number & \"|\" & Err.Source");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, std::to_string(GetParam().number) + "|" + GetParam().source + "\n")
      << GetParam().statement;
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterLibraryErrors,
    ::testing::Values(ErrCase{"d.Saldo \"a\"", 449, "HALVORA"}, ErrCase{"d.Lan 1", 450, "HALVORA"},
                      ErrCase{"d.Saldo \"h\", , \"u\", \"p\", \"c\"", 449, "HALVORA"},
                      ErrCase{"d.Nope", 438, "HALVORA"}, ErrCase{"x = d.Nope(1)", 438, "HALVORA"},
                      ErrCase{"d.TarjetaVIP = Nothing", 13, "HALVORA"},
                      ErrCase{"Set d = CreateObject(\"HALVORA.Nope\")", 429,
                              "Microsoft VBScript runtime error"},
                      ErrCase{"x = \"a\" * 2", 13, "Microsoft VBScript runtime error"},
                      ErrCase{"x = Nothing.Foo", 91, "Microsoft VBScript runtime error"},
                      ErrCase{"Dim a(1) : a(5) = 1", 9, "Microsoft VBScript runtime error"},
                      ErrCase{"d.Lan", 0, ""}));

struct ReportCase {
  const char* script;
  const char* err;
};

class InterpreterReports : public InterpreterTest,
                           public ::testing::WithParamInterface<ReportCase> {};

TEST_P(InterpreterReports, ReportPositionAndExitOne) {
  Outcome o = run(GetParam().script);
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Interpreter, InterpreterReports,
    ::testing::Values(
        ReportCase{"WScript.Echo 1\nx = \"abc",
                   "t.vbs(2, 5) Microsoft VBScript compilation error: "
                   "Unterminated string constant\n"},
        ReportCase{"If x Then\n  y = 1\n",
                   "t.vbs(3, 1) Microsoft VBScript compilation error: "
                   "Expected 'End If'\n"},
        ReportCase{"x = (1 + ",
                   "t.vbs(1, 10) Microsoft VBScript compilation error: Expected "
                   "expression\n"},
        ReportCase{"x = (1 + 2",
                   "t.vbs(1, 11) Microsoft VBScript compilation error: Expected "
                   "')'\n"},
        ReportCase{"x = 1 2",
                   "t.vbs(1, 7) Microsoft VBScript compilation error: Expected end of "
                   "statement\n"},
        ReportCase{"WScript.Echo 1\n\nx = \"a\" * 2",
                   "t.vbs(3, 1) Microsoft VBScript runtime error: Type mismatch\n"},
        ReportCase{"Option Explicit\nDim a\na = b",
                   "t.vbs(3, 1) Microsoft VBScript runtime error: Variable is undefined\n"},
        ReportCase{"Set d = CreateObject(\"HALVORA.Document\")\n  d.Nope",
                   "t.vbs(2, 3) HALVORA: Object doesn't support this property or method\n"},
        ReportCase{"Sub R : R : End Sub\nR",
                   "t.vbs(1, 9) Microsoft VBScript runtime error: Out of stack space\n"}));

INSTANTIATE_TEST_SUITE_P(
    InterpreterMore, InterpreterReports,
    ::testing::Values(
        ReportCase{"For i = 1 To 2\n",
                   "t.vbs(2, 1) Microsoft VBScript compilation error: Expected "
                   "'Next'\n"},
        ReportCase{"Do\n", "t.vbs(2, 1) Microsoft VBScript compilation error: Expected 'Loop'\n"},
        ReportCase{"While 1\n",
                   "t.vbs(2, 1) Microsoft VBScript compilation error: Expected "
                   "'Wend'\n"},
        ReportCase{"Sub S\n",
                   "t.vbs(2, 1) Microsoft VBScript compilation error: Expected 'End "
                   "Sub'\n"},
        ReportCase{"Select Case 1\nCase 1\n",
                   "t.vbs(3, 1) Microsoft VBScript compilation error: "
                   "Expected 'End Select'\n"},
        ReportCase{"If 1 Then\nElse\nElseIf 2 Then\nEnd If",
                   "t.vbs(3, 1) Microsoft VBScript compilation error: Expected 'End If'\n"},
        ReportCase{"Next",
                   "t.vbs(1, 1) Microsoft VBScript compilation error: Expected "
                   "statement\n"},
        ReportCase{"Dim 1",
                   "t.vbs(1, 5) Microsoft VBScript compilation error: Expected "
                   "identifier\n"},
        ReportCase{"If 1 Then\nSub S : End Sub\nEnd If",
                   "t.vbs(2, 1) Microsoft VBScript compilation error: Expected statement\n"},
        ReportCase{"x = 1 +",
                   "t.vbs(1, 8) Microsoft VBScript compilation error: Expected "
                   "expression\n"},
        ReportCase{"x = Mid(\"a\", 1",
                   "t.vbs(1, 15) Microsoft VBScript compilation error: "
                   "Expected ')'\n"},
        ReportCase{"On Error GoTo 1",
                   "t.vbs(1, 15) Microsoft VBScript compilation error: "
                   "Expected '0'\n"},
        ReportCase{"x = CInt(40000)", "t.vbs(1, 1) Microsoft VBScript runtime error: Overflow\n"},
        ReportCase{"x = CStr(Null)",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Invalid use of Null\n"},
        ReportCase{"x = Mid(\"a\", 0)",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Invalid procedure call or "
                   "argument\n"},
        ReportCase{"x = Len(\"a\", 2)",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Wrong "
                   "number of arguments or invalid property assignment\n"},
        ReportCase{"Set x = 1", "t.vbs(1, 1) Microsoft VBScript runtime error: Object required\n"},
        ReportCase{"Const K = 1\nK = 2",
                   "t.vbs(2, 1) Microsoft VBScript runtime error: Illegal assignment\n"},
        ReportCase{"For Each x In 5 : Next",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Object not a collection\n"},
        ReportCase{"x = 1 \\ 0",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Division by zero\n"},
        ReportCase{"Dim a(1)\nWScript.Echo a(2)",
                   "t.vbs(2, 1) Microsoft VBScript runtime error: Subscript out of range\n"},
        ReportCase{"x = y.Foo", "t.vbs(1, 1) Microsoft VBScript runtime error: Object required\n"},
        ReportCase{"Sub S(a) : End Sub\nS 1, 2",
                   "t.vbs(2, 1) Microsoft VBScript runtime error: Wrong number of arguments or "
                   "invalid property assignment\n"},
        ReportCase{"Err.Raise 5",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Invalid "
                   "procedure call or argument\n"},
        ReportCase{"Sub S\n  x = 1\n  y = \"a\" - 1\nEnd Sub\nS",
                   "t.vbs(3, 3) Microsoft VBScript runtime error: Type mismatch\n"},
        ReportCase{"WScript.Echo CreateObject(\"HALVORA.Document\")",
                   "t.vbs(1, 1) Microsoft VBScript runtime error: Type mismatch\n"}));

TEST(InterpreterInteractive, UnfinishedBlocksWaitForMoreLines) {
  EXPECT_TRUE(needs_more_lines(u"If x Then\n"));
  EXPECT_TRUE(needs_more_lines(u"For i = 1 To 3\nWScript.Echo i\n"));
  EXPECT_TRUE(needs_more_lines(u"Sub S\n"));
  EXPECT_TRUE(needs_more_lines(u"Class C\n  Public X\n"));
  EXPECT_TRUE(needs_more_lines(u"Class C\n  Property Get P\n"));
  EXPECT_TRUE(needs_more_lines(u"With x\n"));
  EXPECT_FALSE(needs_more_lines(u"If x Then y = 1\n"));
  EXPECT_FALSE(needs_more_lines(u"x = (1 +\n"));
  EXPECT_FALSE(needs_more_lines(u"Next\n"));
  EXPECT_FALSE(needs_more_lines(u"For i = 1 To 3 : Next\n"));
}

// A script that keeps doubling a text or asks for billions of characters meets a catchable
// "Out of string space" before the machine's memory runs out: at the platform's limit by
// default, earlier under a lower one.
TEST_F(InterpreterTest, TextsStopAtTheStringLimit) {
  const std::string script =
      "On Error Resume Next\n"
      "x = Space(2000000000) : WScript.Echo Err.Number, Err.Description : Err.Clear\n"
      "x = String(2147483647, \"a\") : WScript.Echo Err.Number : Err.Clear\n"
      "s = \"ab\"\nFor i = 1 To 12 : s = s & s : Next\n"
      "WScript.Echo Err.Number, Len(s) : Err.Clear\n"
      "t = s + s : WScript.Echo Err.Number : Err.Clear\n"
      "r = Replace(s, \"a\", \"aaa\") : WScript.Echo Err.Number : Err.Clear\n"
      "j = Join(Array(s, s, s)) : WScript.Echo Err.Number, Len(Space(1000))";
  EXPECT_EQ(run(script).out, "14 Out of string space\n14\n0 8192\n0\n0\n0 1000\n");
  host::set_max_text_length(5000);
  EXPECT_EQ(run(script).out, "14 Out of string space\n14\n14 4096\n14\n14\n14 1000\n");
  host::set_max_text_length(host::kPlatformMaxText);
}

TEST_F(InterpreterTest, CompilationErrorRunsNothing) {
  Outcome o = run("WScript.Echo 1\nIf");
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.code, 1);
}

TEST_F(InterpreterTest, DeepNestingIsACleanCompilationError) {
  std::string deep = "x = " + std::string(5000, '(') + "1" + std::string(5000, ')');
  Outcome o = run(deep);
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("compilation error: Out of stack space"), std::string::npos) << o.err;
  std::string blocks;
  for (int i = 0; i < 3000; ++i) blocks += "If True Then\n";
  EXPECT_EQ(run(blocks).code, 1);
}

TEST_F(InterpreterTest, LongMemberChainIsACleanCompilationError) {
  std::string chain = "x = a";
  for (int i = 0; i < 20000; ++i) chain += ".b(1)";
  Outcome o = run(chain);
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("Out of stack space"), std::string::npos) << o.err;
}

// Any prefix of a script is either a compilation error or runs to its end; none may crash.
TEST_F(InterpreterTest, EveryPrefixOfAScriptEndsCleanly) {
  const std::string script =
      "Option Explicit\nDim a(2), i, s : Const K = \"x\"\nFunction F(ByVal n)\n"
      "  If n > 1 Then F = n * F(n - 1) Else F = 1\nEnd Function\n"
      "For i = 0 To 2 Step 1 : a(i) = F(i) & K : Next\n"
      "Select Case a(2)\n Case \"2x\", 3 : s = \"ok\"\n Case Else : s = \"no\"\nEnd Select\n"
      "Do While i > 0 : i = i - 1 : Loop\nOn Error Resume Next\nErr.Raise 5\n"
      "WScript.Echo s & (1 + 2) * 3, Err.Number, Mid(\"abc\", 2)\n";
  for (std::size_t n = 0; n <= script.size(); ++n) {
    Outcome o = run(script.substr(0, n));
    EXPECT_TRUE(o.code == 0 || o.code == 1) << n;
    EXPECT_EQ(o.code == 1, !o.err.empty()) << n;
  }
  EXPECT_EQ(run(script).out, "ok9 5 bc\n");
}

TEST_F(InterpreterTest, VeryLongLineRuns) {
  std::string line = "x = \"\"";
  while (line.size() < 100000) line += " & \"abcdefgh\"";
  Outcome o = run(line + "\nWScript.Echo Len(x)");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, std::to_string((line.size() - 6) / 13 * 8) + "\n");
}

TEST_F(InterpreterTest, QuitAndArguments) {
  Outcome o =
      run("WScript.Echo WScript.Arguments.Count, WScript.Arguments(1), "
          "WScript.Arguments.Item(0), WScript.ScriptName\nWScript.Quit 3\nWScript.Echo \"no\"",
          {u"a", u"b"});
  EXPECT_EQ(o.out, "2 b a t.vbs\n");
  EXPECT_EQ(o.code, 3);
}

TEST_F(InterpreterTest, InteractiveLinesShareOneScope) {
  std::string out, err;
  Interpreter::Options opts;
  opts.out = [&](std::string_view t) { out += t; };
  opts.err = [&](std::string_view t) { err += t; };
  Interpreter interpreter(std::move(opts));
  EXPECT_FALSE(interpreter.run_line(u"x = 41"));
  EXPECT_FALSE(interpreter.run_line(u"y = \"a\" * 2"));
  EXPECT_FALSE(interpreter.run_line(u"WScript.Echo x + 1"));
  EXPECT_EQ(interpreter.run_line(u"WScript.Quit 1"), 1);
  EXPECT_EQ(out, "42\n");
  EXPECT_NE(err.find("Type mismatch"), std::string::npos);
}

// Scripts nobody has read: every way of running on ends at the step limit with the statement it
// stopped at, whatever On Error says, and a script within the limit runs as it would without.
TEST_F(InterpreterTest, StepLimitEndsEveryEndlessScript) {
  struct Case {
    const char* script;
    const char* report;  // the start of the error line; empty: the script ends on its own
    const char* out;
  } cases[] = {
      {"Do\nLoop", "t.vbs(1, 1) halvora: The script ran past its limit of 100 steps", ""},
      {"x = 1\nWhile True : Wend", "t.vbs(2, 1) halvora:", ""},
      {"Do : Loop Until False", "t.vbs(1, 1) halvora:", ""},
      {"For i = 1 To 1E9\nNext", "t.vbs(1, 1) halvora:", ""},
      {"For i = 1 To 10 Step 0 : Next", "t.vbs(1, 1) halvora:", ""},
      // Steps inside the body count too, where the body runs out the budget.
      {"Do\n x = x + 1\n y = x\nLoop", "t.vbs(", ""},
      {"Sub S(n)\n If n > 0 Then S n - 1\nEnd Sub\nS 1000", "t.vbs(", ""},
      {"On Error Resume Next\nDo : Loop\nWScript.Echo \"after\"", "t.vbs(2, 1) halvora:", ""},
      {"For i = 1 To 10 : n = n + i : Next\nWScript.Echo n", "", "55\n"},
      {"For Each x In Array(1, 2, 3) : s = s & x : Next\nWScript.Echo s", "", "123\n"},
  };
  for (const Case& c : cases) {
    Interpreter::Options opts;
    opts.max_steps = 100;
    Outcome o = run_with(std::move(opts), c.script);
    EXPECT_EQ(o.out, c.out) << c.script;
    if (*c.report) {
      EXPECT_EQ(o.code, 1) << c.script;
      EXPECT_TRUE(o.err.starts_with(c.report)) << c.script << "\n" << o.err;
      EXPECT_EQ(o.err.find("Microsoft VBScript"), std::string::npos) << o.err;
    } else {
      EXPECT_EQ(o.code, 0) << c.script;
      EXPECT_EQ(o.err, "") << c.script;
    }
  }
}

// Each run and each interactive line has the whole budget, not what the last one left.
TEST_F(InterpreterTest, StepLimitAppliesToEachRunAfresh) {
  std::string err;
  Interpreter::Options opts;
  opts.max_steps = 50;
  opts.out = [](std::string_view) {};
  opts.err = [&](std::string_view t) { err += t; };
  Interpreter interpreter(std::move(opts));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(interpreter.run(u"For i = 1 To 40 : Next", "t.vbs"), 0);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(interpreter.run_line(u"For i = 1 To 40 : Next"));
  EXPECT_EQ(err, "");
}

// A contained script reaches no class of the library, no member of the application object and no
// clock; CreateObject makes only what the embedding program offers.
TEST_F(InterpreterTest, ContainedScriptsReachOnlyWhatTheyAreGiven) {
  auto offer = [](std::u16string_view progid) -> ObjectRef {
    if (progid == u"Test.Items") return Collection::create();
    throw Error::standard(err::kCannotCreate);
  };
  struct Case {
    const char* script;
    bool offered;  // with create_object
    const char* out;
  } cases[] = {
      {"On Error Resume Next\nSet d = CreateObject(\"HALVORA.Document\")\nWScript.Echo Err.Number",
       false, "429\n"},
      {"On Error Resume Next\nSet d = CreateObject(\"HALVORA.Document\")\nWScript.Echo Err.Number",
       true, "429\n"},
      {"Set c = CreateObject(\"Test.Items\") : c.Add 1\nWScript.Echo TypeName(c), c.Count", true,
       "Collection 1\n"},
      {"Set c = WScript.CreateObject(\"Test.Items\")\nWScript.Echo TypeName(c)", true,
       "Collection\n"},
      {"On Error Resume Next\nSet c = WScript.CreateObject(\"Test.Items\")\n"
       "WScript.Echo Err.Number",
       false, "429\n"},
      // The application object's members are plain undeclared names.
      {"WScript.Echo TypeName(Lan)", false, "Empty\n"},
      {"On Error Resume Next\nx = Lan()\nWScript.Echo Err.Number", false, "13\n"},
      {"WScript.Sleep 100000000\nWScript.Echo \"awake\"", false, "awake\n"},
  };
  for (const Case& c : cases) {
    Interpreter::Options opts;
    opts.contained = true;
    if (c.offered) opts.create_object = offer;
    Outcome o = run_with(std::move(opts), c.script);
    EXPECT_EQ(o.err, "") << c.script;
    EXPECT_EQ(o.out, c.out) << c.script;
  }
}

TEST(InterpreterDecode, ByteOrderMarks) {
  EXPECT_EQ(decode_script("\xEF\xBB\xBFx\xC3\xA9"), u"x\u00e9");
  EXPECT_EQ(decode_script(std::string("\xFF\xFEx\0", 4)), u"x");
  EXPECT_EQ(decode_script(std::string("\xFE\xFF\0x", 4)), u"x");
  EXPECT_EQ(decode_script("a\xFF"), u"a\uFFFD");
}

}  // namespace
}  // namespace halvora::host
