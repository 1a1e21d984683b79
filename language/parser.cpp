// The grammar of a line, by recursive descent:
//   line    := [expr ['=' expr]] [# comment]
//   expr    := xor ('|' xor)*        xor := and ('^' and)*
//   and     := sum ('&' sum)*        sum := product (('+' | '-') product)*
//   product := unary (('*' | '/' | '%') unary)*
//   unary   := '-' unary | postfix
//   postfix := primary ('.' name ['(' args ')'])*
//   primary := number | String | true | false | empty | '[' args ']'
//            | name ['(' args ')'] | '(' expr ')'
// The left side of '=' must be a name or a member.
#include "language/parser.h"

#include <utility>

#include "engine/values.h"
#include "language/lexer.h"

namespace zorl {

namespace {

class Parser {
 public:
  explicit Parser(std::vector<ScriptToken> tokens)
      : tokens_(std::move(tokens)) {}

  bool Line(Statement* out) {
    if (At(ScriptToken::kEnd)) return true;
    std::unique_ptr<Expr> first = Expression();
    if (!first) return false;
    if (IsPunct("=")) {
      const ScriptToken& eq = Next();
      if (!IsPlace(*first)) {
        error.column = eq.column;
        error.message =
            "expected a variable or a variable's member on the left of '='";
        return false;
      }
      std::unique_ptr<Expr> value = Expression();
      if (!value) return false;
      if (!At(ScriptToken::kEnd))
        return Fail("an operator or the end of the line");
      if (first->kind == Expr::kName) {
        out->kind = Statement::kAssign;
        out->name = first->name;
      } else {
        out->kind = Statement::kSetMember;
        out->name = first->name;
        out->target = std::move(first->object);
      }
      out->value = std::move(value);
      return true;
    }
    if (!At(ScriptToken::kEnd))
      return Fail("an operator, '=' or the end of the line");
    out->kind = Statement::kExpr;
    out->value = std::move(first);
    return true;
  }

  SyntaxError error;

 private:
  const ScriptToken& Peek() const { return tokens_[pos_]; }
  const ScriptToken& Next() {
    const ScriptToken& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool At(ScriptToken::Kind k) const { return Peek().kind == k; }
  bool IsPunct(const char* p) const {
    return Peek().kind == ScriptToken::kPunct && Peek().text == p;
  }

  bool FailAt(const ScriptToken& t, const std::string& expected) {
    if (!error.message.empty()) return false;  // the first error counts
    error.column = t.column;
    if (t.kind == ScriptToken::kBad && !t.text.empty()) {
      error.message = "expected " + t.text;
    } else {
      error.message = "expected " + expected + ", found " + DescribeToken(t);
    }
    return false;
  }
  bool Fail(const std::string& expected) { return FailAt(Peek(), expected); }

  std::unique_ptr<Expr> Make(Expr::Kind k, int column) {
    auto e = std::make_unique<Expr>();
    e->kind = k;
    e->column = column;
    return e;
  }

  typedef std::unique_ptr<Expr> (Parser::*Level)();

  // Counts the levels that a chain of operators or members adds to the
  // tree while it is parsed, and gives them back when it ends.
  class Chain {
   public:
    explicit Chain(Parser& p) : p_(p) {}
    ~Chain() { p_.depth_ -= links_; }
    Chain(const Chain&) = delete;
    Chain& operator=(const Chain&) = delete;
    // One more link; false (and the error) when the tree gets too deep.
    bool Link() {
      if (!p_.Deeper()) return false;
      ++links_;
      return true;
    }

   private:
    Parser& p_;
    int links_ = 0;
  };

  bool Deeper() {
    if (depth_ >= kMaxDepth) {
      Fail("at most " + std::to_string(kMaxDepth) + " nested expressions");
      return false;
    }
    ++depth_;
    return true;
  }

  // One left-associative level of binary operators. Each operator nests the
  // chain before it one level deeper.
  std::unique_ptr<Expr> Binary(const char* ops, Level next) {
    std::unique_ptr<Expr> left = (this->*next)();
    Chain chain(*this);
    while (left && Peek().kind == ScriptToken::kPunct &&
           Peek().text.size() == 1 &&
           std::string(ops).find(Peek().text[0]) != std::string::npos) {
      if (!chain.Link()) return nullptr;
      const ScriptToken& op = Next();
      auto e = Make(Expr::kBinary, op.column);
      e->name = op.text;
      e->object = std::move(left);
      std::unique_ptr<Expr> right = (this->*next)();
      if (!right) return nullptr;
      e->args.push_back(std::move(right));
      left = std::move(e);
    }
    return left;
  }

  // Brackets, unary minus and chains of operators and members nest at most
  // this deep, so that no line can exhaust the stack of the parser or of
  // what runs and releases the tree.
  static const int kMaxDepth = 200;

  std::unique_ptr<Expr> Expression() {
    if (!Deeper()) return nullptr;
    std::unique_ptr<Expr> e = Binary("|", &Parser::Xor);
    --depth_;
    return e;
  }
  std::unique_ptr<Expr> Xor() { return Binary("^", &Parser::And); }
  std::unique_ptr<Expr> And() { return Binary("&", &Parser::Sum); }
  std::unique_ptr<Expr> Sum() { return Binary("+-", &Parser::Product); }
  std::unique_ptr<Expr> Product() { return Binary("*/%", &Parser::Unary); }

  std::unique_ptr<Expr> Unary() {
    if (IsPunct("-")) {
      int column = Next().column;
      if (!Deeper()) return nullptr;
      std::unique_ptr<Expr> operand = Unary();
      --depth_;
      if (!operand) return nullptr;
      auto e = Make(Expr::kNegate, column);
      e->object = std::move(operand);
      return e;
    }
    return Postfix();
  }

  std::unique_ptr<Expr> Postfix() {
    std::unique_ptr<Expr> e = Primary();
    Chain chain(*this);
    while (e && IsPunct(".")) {
      if (!chain.Link()) return nullptr;
      Next();
      if (!At(ScriptToken::kName)) {
        Fail("a member or method name after '.'");
        return nullptr;
      }
      const ScriptToken& name = Next();
      auto m = Make(Expr::kMember, name.column);
      m->name = name.text;
      m->object = std::move(e);
      if (IsPunct("(")) {
        m->kind = Expr::kMethod;
        if (!Arguments(")", &m->args)) return nullptr;
      }
      e = std::move(m);
    }
    return e;
  }

  // The arguments after an opening bracket, up to and with the closing one.
  bool Arguments(const char* close, std::vector<std::unique_ptr<Expr>>* args) {
    Next();  // the opening bracket
    if (IsPunct(close)) {
      Next();
      return true;
    }
    for (;;) {
      std::unique_ptr<Expr> a = Expression();
      if (!a) return false;
      args->push_back(std::move(a));
      if (IsPunct(close)) {
        Next();
        return true;
      }
      if (!IsPunct(",")) return Fail(std::string("',' or '") + close + "'");
      Next();
    }
  }

  std::unique_ptr<Expr> Primary() {
    const ScriptToken& t = Peek();
    int column = t.column;
    switch (t.kind) {
      case ScriptToken::kLong: {
        auto e = Make(Expr::kLiteral, column);
        e->value = MakeLong(Next().number);
        return e;
      }
      case ScriptToken::kDouble: {
        auto e = Make(Expr::kLiteral, column);
        e->value = MakeDouble(Next().real);
        return e;
      }
      case ScriptToken::kString: {
        auto e = Make(Expr::kLiteral, column);
        e->value = MakeString(Next().text);
        return e;
      }
      case ScriptToken::kName: {
        std::string name = Next().text;
        auto e = Make(Expr::kName, column);
        if (IsPunct("(")) {
          e->kind = Expr::kCall;
          e->name = name;
          if (!Arguments(")", &e->args)) return nullptr;
          return e;
        }
        if (name == "true" || name == "false") {
          e->kind = Expr::kLiteral;
          e->value = MakeBoolean(name == "true");
        } else if (name == "empty") {
          e->kind = Expr::kLiteral;
        } else {
          e->name = name;
        }
        return e;
      }
      case ScriptToken::kPunct:
        if (t.text == "[") {
          auto e = Make(Expr::kVector, column);
          if (!Arguments("]", &e->args)) return nullptr;
          return e;
        }
        if (t.text == "(") {
          Next();
          std::unique_ptr<Expr> inner = Expression();
          if (!inner) return nullptr;
          if (!IsPunct(")")) {
            Fail("')'");
            return nullptr;
          }
          Next();
          return inner;
        }
        break;
      default:
        break;
    }
    Fail("an expression");
    return nullptr;
  }

  std::vector<ScriptToken> tokens_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

bool ParseLine(const std::string& line, Statement* out, SyntaxError* error) {
  Parser p(Tokenize(line));
  Statement s;
  if (!p.Line(&s)) {
    *error = p.error;
    return false;
  }
  *out = std::move(s);
  return true;
}

}  // namespace zorl
