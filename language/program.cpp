// Gathering parsed lines into blocks, and the checks of where each
// statement may stand.
#include "language/program.h"

#include <utility>

#include "engine/budget.h"
#include "language/lexer.h"

namespace zorl {

namespace {

const char* KeywordOf(Statement::Kind k) {
  switch (k) {
    case Statement::kIf:
    case Statement::kElif:
      return "if";
    case Statement::kWhile:
      return "while";
    case Statement::kFor:
      return "for";
    case Statement::kTry:
      return "try";
    default:
      return "def";
  }
}

// The block keyword that a line starts with, if any: a wrong line that
// opens a block still opens one, so that its `end` is no second error (and
// a wrong catch still begins the catch block).
Statement::Kind OpenedBy(const std::string& text) {
  std::vector<ScriptToken> t = Tokenize(text);
  if (t[0].kind != ScriptToken::kName) return Statement::kNone;
  if (t[0].text == "catch") return Statement::kCatch;
  for (Statement::Kind k : {Statement::kIf, Statement::kWhile, Statement::kFor,
                            Statement::kDef, Statement::kTry})
    if (t[0].text == KeywordOf(k)) return k;
  return Statement::kNone;
}

}  // namespace

bool ProgramBuilder::Fail(int line, int column, const std::string& message) {
  errors_.push_back(LineError{line, SyntaxError{column, message}});
  return false;
}

bool ProgramBuilder::InLoop() const {
  for (auto o = open_.rbegin(); o != open_.rend(); ++o) {
    Statement::Kind k = o->node->s.kind;
    if (k == Statement::kDef) return false;
    if (k == Statement::kWhile || k == Statement::kFor) return true;
  }
  return false;
}

bool ProgramBuilder::InFunction() const {
  return !open_.empty() && open_[0].node->s.kind == Statement::kDef;
}

bool ProgramBuilder::Add(int line, const std::string& text) {
  Node n;
  n.line = line;
  SyntaxError e;
  bool parsed;
  try {
    parsed = ParseLine(text, &n.s, &e);
  } catch (const OverBudget& b) {  // a literal String the budget refuses
    e = SyntaxError{
        1, std::string("its Strings pass the memory budget: ") + b.what()};
    parsed = false;
  }
  if (!parsed) {
    n.s = Statement();
    n.s.kind = OpenedBy(text);
    if (n.s.kind == Statement::kCatch && !open_.empty() &&
        open_.back().node->s.kind == Statement::kTry) {
      open_.back().sawElse = true;
      open_.back().into = &open_.back().node->orElse;
    } else if (OpensBlock(n.s.kind) &&
               static_cast<int>(open_.size()) < kMaxBlockDepth) {
      Current()->push_back(std::move(n));
      open_.push_back(Open{&Current()->back(), &Current()->back().body, line});
    }
    return Fail(line, e.column, e.message);
  }
  Statement& s = n.s;
  switch (s.kind) {
    case Statement::kNone:
      return true;
    case Statement::kElif:
    case Statement::kElse: {
      const char* word = s.kind == Statement::kElif ? "elif" : "else";
      if (open_.empty() || open_.back().node->s.kind != Statement::kIf)
        return Fail(line, s.column,
                    std::string("expected a statement, found '") + word +
                        "' without an 'if' before it");
      Open& o = open_.back();
      if (o.sawElse)
        return Fail(
            line, s.column,
            std::string("expected 'end' after the 'else' block, found '") +
                word + "'");
      if (s.kind == Statement::kElse) {
        o.sawElse = true;
        o.into = &o.node->orElse;
        return true;
      }
      s.kind = Statement::kIf;  // an elif is an if in the else of the last
      o.node->orElse.push_back(std::move(n));
      o.node = &o.node->orElse.back();
      o.into = &o.node->body;
      return true;
    }
    case Statement::kCatch: {
      if (open_.empty() || open_.back().node->s.kind != Statement::kTry)
        return Fail(line, s.column,
                    "expected a statement, found 'catch' without a 'try' "
                    "before it");
      Open& o = open_.back();
      if (o.sawElse)
        return Fail(line, s.column,
                    "expected 'end' after the 'catch' block, found 'catch'");
      o.sawElse = true;
      o.into = &o.node->orElse;
      o.node->s.name = s.name;
      return true;
    }
    case Statement::kEnd:
      if (open_.empty())
        return Fail(line, s.column,
                    "expected a statement, found 'end' with no block open");
      if (open_.back().node->s.kind == Statement::kTry &&
          !open_.back().sawElse) {
        Fail(line, s.column,
             "expected 'catch' before the 'end' of the 'try' of line " +
                 std::to_string(open_.back().line));
        open_.pop_back();
        return false;
      }
      open_.pop_back();
      return true;
    case Statement::kBreak:
    case Statement::kContinue:
      if (!InLoop())
        return Fail(line, s.column,
                    std::string("expected a statement, found '") +
                        (s.kind == Statement::kBreak ? "break" : "continue") +
                        "' outside a loop (while or for)");
      break;
    case Statement::kReturn:
      if (!InFunction())
        return Fail(line, s.column,
                    "expected a statement, found 'return' outside a function");
      break;
    case Statement::kDef:
      // Its block is still gathered, so that its end closes it.
      if (!open_.empty())
        Fail(line, s.column,
             "expected a statement, found 'def' inside a block (functions "
             "are defined at the top level)");
      break;
    default:
      break;
  }
  std::size_t errors = errors_.size();
  bool opens = OpensBlock(s.kind);
  if (opens && static_cast<int>(open_.size()) >= kMaxBlockDepth)
    return Fail(line, s.column,
                "expected at most " + std::to_string(kMaxBlockDepth) +
                    " blocks inside each other");
  Current()->push_back(std::move(n));
  if (opens)
    open_.push_back(Open{&Current()->back(), &Current()->back().body, line});
  return errors == errors_.size();
}

Block ProgramBuilder::Finish() {
  for (const Open& o : open_)
    Fail(o.line, 1,
         std::string("expected 'end' to close the '") +
             KeywordOf(o.node->s.kind) +
             "' of this line, found the end of the script");
  open_.clear();
  Block out;
  out.swap(top_);
  return out;
}

}  // namespace zorl
