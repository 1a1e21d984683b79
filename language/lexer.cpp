// Tokens: names, longs (decimal or 0x hex), doubles, Strings with the
// escapes \n \t \\ \" \xNN, punctuation (comparisons of two characters
// among it); '#' starts a comment.
#include "language/lexer.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace zorl {

namespace {

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)); }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What a String that the line leaves open lacks.
const char kOpenString[] = "'\"' to end the String";

ScriptToken Make(ScriptToken::Kind kind, const std::string& text,
                 std::size_t at) {
  ScriptToken t;
  t.kind = kind;
  t.text = text;
  t.column = static_cast<int>(at) + 1;
  return t;
}

ScriptToken Bad(std::size_t at, const std::string& expected) {
  return Make(ScriptToken::kBad, expected, at);
}

// A number starting at s[i]; i moves past it.
ScriptToken Number(const std::string& s, std::size_t& i) {
  std::size_t start = i;
  ScriptToken t = Make(ScriptToken::kLong, "", start);
  if (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    i += 2;
    std::size_t digits = i;
    std::uint32_t v = 0;
    while (i < s.size() && HexValue(s[i]) >= 0) {
      if (i - digits == 8) return Bad(i, "at most 8 hex digits in a long");
      v = v * 16 + static_cast<std::uint32_t>(HexValue(s[i++]));
    }
    if (i == digits) return Bad(i, "hex digits after 0x");
    if (i < s.size() && IsNameChar(s[i])) return Bad(i, "an operator");
    t.number = static_cast<zlong>(v);
    return t;
  }
  while (i < s.size() && IsDigit(s[i])) ++i;
  bool real = false;
  if (i + 1 < s.size() && s[i] == '.' && IsDigit(s[i + 1])) {
    real = true;
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j >= s.size() || !IsDigit(s[j])) return Bad(j, "digits of an exponent");
    while (j < s.size() && IsDigit(s[j])) ++j;
    i = j;
    real = true;
  }
  if (i < s.size() && IsNameChar(s[i])) return Bad(i, "an operator");
  std::string text = s.substr(start, i - start);
  if (real) {
    t.kind = ScriptToken::kDouble;
    t.real = std::strtod(text.c_str(), nullptr);
    return t;
  }
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno || v > 2147483647ULL)
    return Bad(start, "a long of at most 2147483647 (write 3e9 for a double)");
  t.number = static_cast<zlong>(v);
  return t;
}

// A String starting at the quote s[i]; i moves past the closing quote.
ScriptToken String(const std::string& s, std::size_t& i) {
  ScriptToken t = Make(ScriptToken::kString, "", i);
  ++i;
  while (i < s.size() && s[i] != '"') {
    char c = s[i++];
    if (c != '\\') {
      t.text += c;
      continue;
    }
    char e = i < s.size() ? s[i] : '\0';
    if (e == 'n') {
      t.text += '\n';
    } else if (e == 't') {
      t.text += '\t';
    } else if (e == '\\' || e == '"') {
      t.text += e;
    } else if (e == 'x' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 &&
               HexValue(s[i + 2]) >= 0) {
      t.text += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      return Bad(i - 1, "an escape \\n \\t \\\\ \\\" or \\xNN");
    }
    ++i;
  }
  if (i >= s.size()) return Bad(i, kOpenString);
  ++i;
  return t;
}

}  // namespace

std::vector<ScriptToken> Tokenize(const std::string& s) {
  std::vector<ScriptToken> out;
  std::size_t i = 0;
  for (;;) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    if (i >= s.size() || s[i] == '#') {
      out.push_back(Make(ScriptToken::kEnd, "", i));
      return out;
    }
    char c = s[i];
    if (IsNameStart(c)) {
      std::size_t start = i;
      while (i < s.size() && IsNameChar(s[i])) ++i;
      out.push_back(
          Make(ScriptToken::kName, s.substr(start, i - start), start));
    } else if (IsDigit(c)) {
      out.push_back(Number(s, i));
    } else if (c == '"') {
      out.push_back(String(s, i));
    } else if (i + 1 < s.size() && s[i + 1] == '=' &&
               std::string("=!<>").find(c) != std::string::npos) {
      out.push_back(Make(ScriptToken::kPunct, s.substr(i, 2), i));
      i += 2;
    } else if (std::string("()[],.=+-*/%|&^<>:").find(c) != std::string::npos) {
      out.push_back(Make(ScriptToken::kPunct, std::string(1, c), i));
      ++i;
    } else {
      // The parser says what it expected here.
      ScriptToken t = Bad(i, "");
      t.found = "'" + std::string(1, c) + "'";
      out.push_back(t);
    }
    if (out.back().kind == ScriptToken::kBad) return out;
  }
}

bool OpenAtEnd(const std::string& line, std::string* head) {
  std::vector<ScriptToken> t = Tokenize(line);
  const ScriptToken& last = t.back();
  if (last.kind == ScriptToken::kBad && last.text == kOpenString) {
    *head = line + '\n';
    return true;
  }
  if (last.kind != ScriptToken::kEnd) return false;
  int depth = 0;
  for (const ScriptToken& k : t) {
    if (k.kind != ScriptToken::kPunct) continue;
    if (k.text == "(" || k.text == "[") ++depth;
    if (k.text == ")" || k.text == "]") --depth;
  }
  if (depth <= 0) return false;
  *head = line.substr(0, static_cast<std::size_t>(last.column - 1)) + ' ';
  return true;
}

std::string DescribeToken(const ScriptToken& t) {
  switch (t.kind) {
    case ScriptToken::kName:
      return "'" + t.text + "'";
    case ScriptToken::kLong:
    case ScriptToken::kDouble:
      return "a number";
    case ScriptToken::kString:
      return "a String";
    case ScriptToken::kPunct:
      return "'" + t.text + "'";
    case ScriptToken::kEnd:
      return "the end of the line";
    case ScriptToken::kBad:
      return t.found;
  }
  return "";
}

}  // namespace zorl
