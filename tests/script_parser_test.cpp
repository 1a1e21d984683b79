// The lexer and parser: precedence, literals, columns of syntax errors.
#include <gtest/gtest.h>

#include <string>

#include "engine/values.h"
#include "language/lexer.h"
#include "language/parser.h"

namespace {

using zorl::Expr;
using zorl::Statement;

// The tree of an expression in prefix form: (+ 1 (* 2 3)).
std::string Tree(const Expr& e) {
  switch (e.kind) {
    case Expr::kLiteral:
      return zorl::Describe(e.value);
    case Expr::kName:
      return e.name;
    case Expr::kVector: {
      std::string s = "[";
      for (const auto& a : e.args) s += " " + Tree(*a);
      return s + " ]";
    }
    case Expr::kMember:
      return Tree(*e.object) + "." + e.name;
    case Expr::kCall:
    case Expr::kMethod: {
      std::string s =
          e.kind == Expr::kCall ? e.name : Tree(*e.object) + "." + e.name;
      s += "(";
      for (std::size_t i = 0; i < e.args.size(); ++i)
        s += (i ? " " : "") + Tree(*e.args[i]);
      return s + ")";
    }
    case Expr::kBinary: {
      std::string s = "(" + Tree(*e.object);
      for (std::size_t i = 0; i < e.ops.size(); ++i)
        s += std::string(" ") + e.ops[i] + " " + Tree(*e.args[i]);
      return s + ")";
    }
    case Expr::kCompare:
      return "(" + Tree(*e.object) + " " + e.name + " " + Tree(*e.args[0]) +
             ")";
    case Expr::kAnd:
    case Expr::kOr: {
      std::string s = "(";
      for (std::size_t i = 0; i < e.args.size(); ++i)
        s += (i ? e.kind == Expr::kAnd ? " and " : " or " : "") +
             Tree(*e.args[i]);
      return s + ")";
    }
    case Expr::kNot:
      return "(not " + Tree(*e.object) + ")";
    case Expr::kNegate:
      return "(- " + Tree(*e.object) + ")";
    case Expr::kIndex:
      return Tree(*e.object) + "[" + Tree(*e.args[0]) + "]";
    case Expr::kSlice:
      return Tree(*e.object) + "[" + (e.args[0] ? Tree(*e.args[0]) : "") + ":" +
             (e.args[1] ? Tree(*e.args[1]) : "") + "]";
  }
  return "?";
}

std::string Parse(const std::string& line) {
  Statement s;
  zorl::SyntaxError e;
  if (!zorl::ParseLine(line, &s, &e))
    return std::to_string(e.column) + ": " + e.message;
  switch (s.kind) {
    case Statement::kNone:
      return "none";
    case Statement::kExpr:
      return Tree(*s.value);
    case Statement::kAssign:
      return s.name + " = " + Tree(*s.value);
    case Statement::kSetMember:
      return Tree(*s.target) + "." + s.name + " = " + Tree(*s.value);
    case Statement::kSetElement:
      return Tree(*s.target) + " = " + Tree(*s.value);
    case Statement::kDef: {
      std::string p;
      for (const std::string& name : s.params)
        p += (p.empty() ? "" : " ") + name;
      return "def " + s.name + "(" + p + ")";
    }
    case Statement::kFor:
      return "for " + s.name + " in " + Tree(*s.value);
    default:  // the other keywords: the word and its expression, if any
      return "keyword " + std::to_string(s.kind) +
             (s.value ? " " + Tree(*s.value) : "");
  }
  return "?";
}

TEST(ScriptParser, PrecedenceAndAssociativity) {
  EXPECT_EQ(Parse("1 + 2 * 3"), "(1 + (2 * 3))");
  EXPECT_EQ(Parse("10 - 4 - 3"), "(10 - 4 - 3)");
  EXPECT_EQ(Parse("8 / 4 / 2 % 3"), "(8 / 4 / 2 % 3)");
  EXPECT_EQ(Parse("a | b ^ c & d + e"), "(a | (b ^ (c & (d + e))))");
  EXPECT_EQ(Parse("(1 + 2) * -3"), "((1 + 2) * (- 3))");
  EXPECT_EQ(Parse("a or b and not c == d + 1"),
            "(a or (b and (not (c == (d + 1)))))");
  EXPECT_EQ(Parse("x < 1 or y >= 2 or z != 3"),
            "((x < 1) or (y >= 2) or (z != 3))");
  EXPECT_EQ(Parse("v[i + 1][2] = s[:2] + s[1:] + s[a:b]"),
            "v[(i + 1)][2] = (s[:2] + s[1:] + s[a:b])");
  EXPECT_EQ(Parse("--x"), "(- (- x))");
  EXPECT_EQ(Parse("-t.GetItem(1).x"), "(- t.GetItem(1).x)");
}

TEST(ScriptParser, StatementsAndLiterals) {
  EXPECT_EQ(Parse(""), "none");
  EXPECT_EQ(Parse("   # only a comment"), "none");
  EXPECT_EQ(Parse("t = LUT3() # comment"), "t = LUT3()");
  EXPECT_EQ(Parse("t.a.b = [1, [], \"#\"]"), "t.a.b = [ 1 [ ] \"#\" ]");
  EXPECT_EQ(Parse("t.Convert3To1(d, s)"), "t.Convert3To1(d s)");
  EXPECT_EQ(Parse("x = 0xFFFFFFFF + 2147483647 + 1.5e3 + 2.0"),
            "x = (-1 + 2147483647 + 1500.0 + 2.0)");
  EXPECT_EQ(Parse("def f(a, b)"), "def f(a b)");
  EXPECT_EQ(Parse("for i in range(0, 3)"), "for i in range(0 3)");
  EXPECT_EQ(Parse("while x < 3 # loop"), "keyword 8 (x < 3)");
  EXPECT_EQ(Parse("return"), "keyword 14");
  EXPECT_EQ(Parse("print(true, false, empty)"), "print(true false empty)");
  EXPECT_EQ(Parse("s = \"\\x0a\\t\\\\\\\"\\xFf\""),
            "s = \"\\n\\t\\\\\\\"\\xff\"");
  EXPECT_EQ(Parse("x=1\r"), "x = 1");
}

TEST(ScriptParser, SyntaxErrorsNameTheColumnAndWhatWasExpected) {
  EXPECT_EQ(Parse("x = (1 + 2"), "11: expected ')', found the end of the line");
  EXPECT_EQ(Parse("f(1 2)"), "5: expected ',' or ')', found a number");
  EXPECT_EQ(Parse("x = @"), "5: expected an expression, found '@'");
  EXPECT_EQ(Parse("x === 1"), "5: expected an expression, found '='");
  EXPECT_EQ(Parse("1 < 2 < 3"),
            "7: expected 'and' between two comparisons, found '<'");
  EXPECT_EQ(Parse("x = end"), "5: expected an expression, found 'end'");
  EXPECT_EQ(Parse("if"),
            "3: expected an expression, found the end of the line");
  EXPECT_EQ(Parse("else x"), "6: expected the end of the line, found 'x'");
  EXPECT_EQ(Parse("for in x"),
            "5: expected a variable name after 'for', found 'in'");
  EXPECT_EQ(Parse("def f(a, a)"),
            "10: expected a parameter name not given before, found 'a'");
  EXPECT_EQ(
      Parse("v[1:2] = 3"),
      "8: expected a variable, a member or an element on the left of '='");
  EXPECT_EQ(Parse("v[]"), "3: expected an expression, found ']'");
  EXPECT_EQ(
      Parse("f() = 1"),
      "5: expected a variable, a member or an element on the left of '='");
  EXPECT_EQ(Parse("s = \"abc"), "9: expected '\"' to end the String");
  EXPECT_EQ(Parse("s = \"\\x4\""),
            "6: expected an escape \\n \\t \\\\ \\\" or \\xNN");
  EXPECT_EQ(
      Parse("x = 2147483648"),
      "5: expected a long of at most 2147483647 (write 3e9 for a double)");
  EXPECT_EQ(Parse("x = 0x123456789"),
            "15: expected at most 8 hex digits in a long");
  EXPECT_EQ(Parse("t."),
            "3: expected a member or method name after '.', "
            "found the end of the line");
  EXPECT_EQ(Parse("x = " + std::string(300, '(') + "1" + std::string(300, ')'))
                .substr(0, 44),
            "205: expected at most 200 nested expressions");
  EXPECT_EQ(Parse("x = " + std::string(100000, '-') + "1").substr(0, 4),
            "205:");
  EXPECT_EQ(Parse("x = [1,"),
            "8: expected an expression, found the end of the line");
}

}  // namespace
