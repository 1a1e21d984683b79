// The host's signature syntax: "Class::Method(word, word, ...)".
#include "engine/signature.h"

#include <cctype>

namespace zorl {

namespace {

// A tokenizer over a signature: names, "::", and punctuation.
class SigReader {
 public:
  explicit SigReader(const std::string& s) : s_(s) {}

  void SkipBlanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  bool Name(std::string* out) {
    SkipBlanks();
    std::size_t start = i_;
    while (i_ < s_.size() &&
           (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_'))
      ++i_;
    if (i_ == start) return false;
    *out = s_.substr(start, i_ - start);
    return true;
  }
  bool Take(const char* text) {
    SkipBlanks();
    std::string t(text);
    if (s_.compare(i_, t.size(), t) != 0) return false;
    i_ += t.size();
    return true;
  }
  bool AtEnd() {
    SkipBlanks();
    return i_ == s_.size();
  }
  std::size_t pos() const { return i_; }

 private:
  const std::string& s_;
  std::size_t i_ = 0;
};

bool Fail(std::string* error, const char* expected, const SigReader& r) {
  *error = std::string("expected ") + expected + " at column " +
           std::to_string(r.pos() + 1);
  return false;
}

}  // namespace

bool ParseSignature(const std::string& text, Signature* out,
                    std::string* error) {
  SigReader r(text);
  Signature sig;
  if (!r.Name(&sig.cls)) return Fail(error, "a class name", r);
  if (!r.Take("::")) return Fail(error, "'::'", r);
  if (r.Take("*")) {
    sig.method = "*";
  } else if (!r.Name(&sig.method)) {
    return Fail(error, "a method name or '*'", r);
  }
  if (!r.Take("(")) return Fail(error, "'('", r);
  std::string word;
  if (r.Take(")")) {
    // no parameter list at all
  } else {
    bool first = true;
    for (;;) {
      if (!r.Name(&word)) return Fail(error, "a parameter word", r);
      if (first && word == "void") {
        if (!r.Take(")")) return Fail(error, "')' after void", r);
        break;
      }
      first = false;
      Param p{Param::kInt, ""};
      if (word == "int") {
        p.kind = Param::kInt;
      } else if (word == "char") {
        p.kind = Param::kChar;
      } else if (word == "number") {
        p.kind = Param::kNumber;
      } else if (word == "boolean") {
        p.kind = Param::kBoolean;
      } else if (word == "object") {
        p.kind = Param::kObject;
        if (!r.Name(&p.cls)) return Fail(error, "a class name after object", r);
      } else if (word == "refer") {
        if (!r.Name(&word)) return Fail(error, "object or any after refer", r);
        if (word == "any") {
          p.kind = Param::kReferAny;
        } else if (word == "object") {
          p.kind = Param::kReferObject;
          if (!r.Name(&p.cls))
            return Fail(error, "a class name after refer object", r);
        } else {
          return Fail(error, "object or any after refer", r);
        }
      } else {
        return Fail(error,
                    "a parameter word (void, int, char, number, boolean, "
                    "object, refer)",
                    r);
      }
      sig.params.push_back(p);
      if (r.Take(")")) break;
      if (!r.Take(",")) return Fail(error, "',' or ')'", r);
    }
  }
  if (!r.AtEnd()) return Fail(error, "the end of the signature", r);
  *out = sig;
  return true;
}

}  // namespace zorl
