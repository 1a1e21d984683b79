// The grammar of a line, by recursive descent:
//   line      := [statement] [# comment]
//   statement := expr ['=' expr] | 'if' expr | 'elif' expr | 'else'
//              | 'while' expr | 'for' name 'in' expr | 'end' | 'break'
//              | 'continue' | 'def' name '(' [name (',' name)*] ')'
//              | 'return' [expr] | 'try' | 'catch' [name]
//   expr      := and ('or' and)*     and := not ('and' not)*
//   not       := 'not' not | compare
//   compare   := bitor [('==' | '!=' | '<' | '<=' | '>' | '>=') bitor]
//   bitor     := xor ('|' xor)*      xor := bitand ('^' bitand)*
//   bitand    := sum ('&' sum)*      sum := product (('+' | '-') product)*
//   product   := unary (('*' | '/' | '%') unary)*
//   unary     := '-' unary | postfix
//   postfix   := primary ('.' name ['(' args ')'] | '[' expr ']'
//              | '[' [expr] ':' [expr] ']')*
//   primary   := number | String | true | false | empty | '[' args ']'
//              | name ['(' args ')'] | '(' expr ')'
// The left side of '=' must be a variable, a member or an element.
#include "language/parser.h"

#include <utility>

#include "engine/values.h"
#include "language/lexer.h"

namespace zorl {

namespace {

bool IsLiteralName(const std::string& w) {
  return w == "true" || w == "false" || w == "empty";
}

class Parser {
 public:
  explicit Parser(std::vector<ScriptToken> tokens)
      : tokens_(std::move(tokens)) {}

  bool Line(Statement* out) {
    out->column = Peek().column;
    if (At(ScriptToken::kEnd)) return true;
    if (At(ScriptToken::kName) && IsKeyword(Peek().text))
      return Keyword(out) && EndOfLine("the end of the line");
    std::unique_ptr<Expr> first = Expression();
    if (!first) return false;
    if (IsPunct("=")) {
      const ScriptToken& eq = Next();
      if (!IsPlace(*first)) {
        error.column = eq.column;
        error.message =
            "expected a variable, a member or an element on the left of '='";
        return false;
      }
      std::unique_ptr<Expr> value = Expression();
      if (!value) return false;
      if (!EndOfLine("an operator or the end of the line")) return false;
      out->kind = first->kind == Expr::kName     ? Statement::kAssign
                  : first->kind == Expr::kMember ? Statement::kSetMember
                                                 : Statement::kSetElement;
      if (first->kind == Expr::kName) {
        out->name = first->name;
      } else if (first->kind == Expr::kMember) {
        out->name = first->name;
        out->target = std::move(first->object);
      } else {
        out->target = std::move(first);
      }
      out->value = std::move(value);
      return true;
    }
    if (!EndOfLine("an operator, '=' or the end of the line")) return false;
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
  bool IsWord(const char* w) const {
    return Peek().kind == ScriptToken::kName && Peek().text == w;
  }
  bool EndOfLine(const std::string& expected) {
    return At(ScriptToken::kEnd) || Fail(expected);
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

  // A statement that starts with a keyword, up to the end of its line.
  bool Keyword(Statement* out) {
    static const struct {
      const char* word;
      Statement::Kind kind;
    } kStatements[] = {
        {"if", Statement::kIf},       {"elif", Statement::kElif},
        {"else", Statement::kElse},   {"while", Statement::kWhile},
        {"for", Statement::kFor},     {"end", Statement::kEnd},
        {"break", Statement::kBreak}, {"continue", Statement::kContinue},
        {"def", Statement::kDef},     {"return", Statement::kReturn},
        {"try", Statement::kTry},     {"catch", Statement::kCatch},
    };
    std::string word = Peek().text;
    for (const auto& k : kStatements)
      if (word == k.word) out->kind = k.kind;
    if (out->kind == Statement::kNone) return Fail("a statement");
    Next();
    switch (out->kind) {
      case Statement::kIf:
      case Statement::kElif:
      case Statement::kWhile:
        out->value = Expression();
        return out->value != nullptr;
      case Statement::kReturn:
        if (At(ScriptToken::kEnd)) return true;
        out->value = Expression();
        return out->value != nullptr;
      case Statement::kFor:
        if (!NewName(&out->name, "a variable name after 'for'")) return false;
        if (!IsWord("in")) return Fail("'in'");
        Next();
        out->value = Expression();
        return out->value != nullptr;
      case Statement::kDef:
        return NewName(&out->name, "a function name after 'def'") &&
               Parameters(&out->params);
      case Statement::kCatch:
        return At(ScriptToken::kEnd) ||
               NewName(&out->name, "a variable name or the end of the line");
      default:
        return true;
    }
  }

  // A name that is no keyword, for a variable, a function or a parameter.
  bool NewName(std::string* name, const std::string& expected) {
    if (!At(ScriptToken::kName) || IsKeyword(Peek().text) ||
        IsLiteralName(Peek().text))
      return Fail(expected);
    *name = Next().text;
    return true;
  }

  bool Parameters(std::vector<std::string>* params) {
    if (!IsPunct("(")) return Fail("'('");
    Next();
    while (!IsPunct(")")) {
      if (!params->empty()) {
        if (!IsPunct(",")) return Fail("',' or ')'");
        Next();
      }
      std::string name;
      if (!NewName(&name, "a parameter name")) return false;
      for (const std::string& p : *params)
        if (p == name)
          return FailAt(tokens_[pos_ - 1],
                        "a parameter name "
                        "not given before");
      params->push_back(name);
    }
    Next();
    return true;
  }

  // Counts the levels that a chain of members, calls and elements adds to
  // the tree while it is parsed, and gives them back when it ends.
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

  typedef std::unique_ptr<Expr> (Parser::*Level)();

  // One left-associative level of binary operators: a chain of them is one
  // node of the tree, however long, so that only real nesting counts.
  std::unique_ptr<Expr> Binary(const char* ops, Level next) {
    std::unique_ptr<Expr> left = (this->*next)();
    if (!left) return nullptr;
    std::unique_ptr<Expr> chain;
    while (Peek().kind == ScriptToken::kPunct && Peek().text.size() == 1 &&
           std::string(ops).find(Peek().text[0]) != std::string::npos) {
      const ScriptToken& op = Next();
      if (!chain) {
        chain = Make(Expr::kBinary, op.column);
        chain->object = std::move(left);
      }
      chain->ops.push_back(op.text[0]);
      std::unique_ptr<Expr> right = (this->*next)();
      if (!right) return nullptr;
      chain->args.push_back(std::move(right));
    }
    return chain ? std::move(chain) : std::move(left);
  }

  // and / or: a chain of one of them is one node.
  std::unique_ptr<Expr> Logic(const char* word, Expr::Kind kind, Level next) {
    std::unique_ptr<Expr> first = (this->*next)();
    if (!first || !IsWord(word)) return first;
    auto e = Make(kind, Peek().column);
    e->args.push_back(std::move(first));
    while (IsWord(word)) {
      Next();
      std::unique_ptr<Expr> operand = (this->*next)();
      if (!operand) return nullptr;
      e->args.push_back(std::move(operand));
    }
    return e;
  }

  // Brackets, unary minus, not and chains of members nest at most this
  // deep, so that no line can exhaust the stack of the parser or of what
  // runs and releases the tree.
  static const int kMaxDepth = 200;

  std::unique_ptr<Expr> Expression() {
    if (!Deeper()) return nullptr;
    std::unique_ptr<Expr> e = Or();
    --depth_;
    return e;
  }
  std::unique_ptr<Expr> Or() { return Logic("or", Expr::kOr, &Parser::And); }
  std::unique_ptr<Expr> And() { return Logic("and", Expr::kAnd, &Parser::Not); }
  std::unique_ptr<Expr> Not() {
    return IsWord("not") ? Prefix(Expr::kNot, &Parser::Not) : Compare();
  }
  // An operator before its operand (not, unary -): one level deeper.
  std::unique_ptr<Expr> Prefix(Expr::Kind kind, Level operandLevel) {
    int column = Next().column;
    if (!Deeper()) return nullptr;
    std::unique_ptr<Expr> operand = (this->*operandLevel)();
    --depth_;
    if (!operand) return nullptr;
    auto e = Make(kind, column);
    e->object = std::move(operand);
    return e;
  }
  static bool IsComparison(const ScriptToken& t) {
    static const char* const kOps[] = {"==", "!=", "<", "<=", ">", ">="};
    if (t.kind != ScriptToken::kPunct) return false;
    for (const char* op : kOps)
      if (t.text == op) return true;
    return false;
  }
  // One comparison at most: a < b < c is refused rather than guessed at.
  std::unique_ptr<Expr> Compare() {
    std::unique_ptr<Expr> left = BitOr();
    if (!left || !IsComparison(Peek())) return left;
    const ScriptToken& op = Next();
    auto e = Make(Expr::kCompare, op.column);
    e->name = op.text;
    e->object = std::move(left);
    std::unique_ptr<Expr> right = BitOr();
    if (!right) return nullptr;
    e->args.push_back(std::move(right));
    if (IsComparison(Peek())) {
      Fail("'and' between two comparisons");
      return nullptr;
    }
    return e;
  }
  std::unique_ptr<Expr> BitOr() { return Binary("|", &Parser::Xor); }
  std::unique_ptr<Expr> Xor() { return Binary("^", &Parser::BitAnd); }
  std::unique_ptr<Expr> BitAnd() { return Binary("&", &Parser::Sum); }
  std::unique_ptr<Expr> Sum() { return Binary("+-", &Parser::Product); }
  std::unique_ptr<Expr> Product() { return Binary("*/%", &Parser::Unary); }

  std::unique_ptr<Expr> Unary() {
    return IsPunct("-") ? Prefix(Expr::kNegate, &Parser::Unary) : Postfix();
  }

  std::unique_ptr<Expr> Postfix() {
    std::unique_ptr<Expr> e = Primary();
    Chain chain(*this);
    while (e && (IsPunct(".") || IsPunct("["))) {
      if (!chain.Link()) return nullptr;
      if (IsPunct("[")) {
        e = Element(std::move(e));
        continue;
      }
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

  // object[i] or a slice object[a:b], either bound left out.
  std::unique_ptr<Expr> Element(std::unique_ptr<Expr> object) {
    auto e = Make(Expr::kIndex, Next().column);
    e->object = std::move(object);
    std::unique_ptr<Expr> first;
    if (!IsPunct(":") && !(first = Expression())) return nullptr;
    e->args.push_back(std::move(first));
    if (IsPunct(":")) {
      Next();
      e->kind = Expr::kSlice;
      std::unique_ptr<Expr> second;
      if (!IsPunct("]") && !(second = Expression())) return nullptr;
      e->args.push_back(std::move(second));
    } else if (!e->args[0]) {
      Fail("an index");
      return nullptr;
    }
    if (!IsPunct("]")) {
      Fail(e->kind == Expr::kSlice ? "']'" : "':' or ']'");
      return nullptr;
    }
    Next();
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
        if (IsKeyword(t.text)) break;
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

bool IsKeyword(const std::string& word) {
  static const char* const kWords[] = {
      "and", "or",  "not",   "if",       "elif", "else",   "while", "for",
      "in",  "end", "break", "continue", "def",  "return", "try",   "catch"};
  for (const char* w : kWords)
    if (word == w) return true;
  return false;
}

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
