// The built-ins of folders, file names and text that a batch needs:
// ListFiles, MakeDir and exists, getenv, the path helpers basename,
// dirname, stem, ext and joinpath, and the text helpers replace, split,
// startswith and endswith.
// Paths are split at '/' as Python's os.path does on POSIX:
//
//   basename("a/b.tar.gz") "b.tar.gz"   dirname("a/b.tar.gz") "a"
//   stem("a/b.tar.gz")     "b.tar"      ext("a/b.tar.gz")     ".gz"
//   joinpath("out", "x", "y.png") "out/x/y.png"  (a part that begins with
//   '/' starts the path again)
//   ListFiles("series/*.pgm") ["series/img2.pgm", "series/img10.pgm"]
#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/whole_file.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

// More matches than this are refused: a pattern that matches a whole disk
// is a mistake, and each match becomes a String of the result.
constexpr std::size_t kMaxMatches = 100000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Natural order: runs of digits compare by their numbers ("img2" before
// "img10"), everything else byte by byte; names that differ only in
// leading zeros keep byte order.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;
      while (j0 < b.size() && b[j0] == '0') ++j0;
      std::size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && IsDigit(a[i1])) ++i1;
      while (j1 < b.size() && IsDigit(b[j1])) ++j1;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0;
      int c = a.compare(i0, i1 - i0, b, j0, j1 - j0);
      if (c != 0) return c < 0;
      i = i1;
      j = j1;
      continue;
    }
    if (a[i] != b[j])
      return static_cast<unsigned char>(a[i]) <
             static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

// The folder a pattern searches: its leading part up to the last '/'
// before the first wildcard ("." when there is none).
std::string FolderOf(const std::string& pattern) {
  std::size_t wild = pattern.find_first_of("*?[");
  std::size_t slash =
      pattern.rfind('/', wild == std::string::npos ? std::string::npos : wild);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : pattern.substr(0, slash);
}

struct GlobHolder {
  glob_t g{};
  ~GlobHolder() { globfree(&g); }
};

// The first folder that glob could not read, and why.
thread_local std::string g_unread;
thread_local int g_unreadErrno = 0;

// Stops glob at a folder it must search and can't read (no permission, a
// loop of symbolic links); a name that has vanished or is no folder is
// only no match.
int Unreadable(const char* path, int errnum) {
  if (errnum == ENOENT || errnum == ENOTDIR) return 0;
  g_unread = path;
  g_unreadErrno = errnum;
  return 1;
}

void ListFiles(BuiltinContext&, Args& a, Variable& r) {
  static const char* usage = "ListFiles(pattern)";
  if (!Text(usage, a[0])) return;
  const std::string& pattern = Bytes(a[0]);
  std::string folder = FolderOf(pattern);
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) {
    RaiseFile(folder, FileReason(errno));
    return;
  }
  if (!S_ISDIR(st.st_mode)) {
    RaiseFile(folder, "not a folder");
    return;
  }
  auto holder = std::make_unique<GlobHolder>();
  g_unread.clear();
  int status = glob(pattern.c_str(), 0, Unreadable, &holder->g);
  if (status == GLOB_NOMATCH) {
    r = MakeVector({});
    return;
  }
  if (status == GLOB_ABORTED && !g_unread.empty()) {
    RaiseFile(g_unread, FileReason(g_unreadErrno));
    return;
  }
  if (status != 0) {
    RaiseFile(pattern, status == GLOB_NOSPACE ? "out of memory while listing"
                                              : "the folder cannot be read");
    return;
  }
  std::size_t n = holder->g.gl_pathc;
  if (n > kMaxMatches) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) + ": " + pattern +
                                         " matches " + std::to_string(n) +
                                         " files, more than " +
                                         std::to_string(kMaxMatches));
    return;
  }
  std::vector<std::string> names(holder->g.gl_pathv, holder->g.gl_pathv + n);
  std::sort(names.begin(), names.end(), NaturalLess);
  std::vector<Variable> elems;
  elems.reserve(n);
  for (std::string& name : names) elems.push_back(TakeString(std::move(name)));
  r = MakeVector(std::move(elems));
}

// Makes a folder and the folders above it that are missing, as mkdir -p.
void MakeDir(BuiltinContext&, Args& a, Variable&) {
  if (!Text("MakeDir(path)", a[0])) return;
  const std::string& path = Bytes(a[0]);
  if (path.empty()) {
    RaiseHostError(ZE_BAD_PARAMETER, "MakeDir(path): an empty path");
    return;
  }
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    std::string part = path.substr(0, end);
    struct stat st;
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      RaiseFile(part, FileReason(errno));
      return;
    }
    if (stat(part.c_str(), &st) != 0) {
      RaiseFile(part, FileReason(errno));
      return;
    }
    if (!S_ISDIR(st.st_mode)) {
      RaiseFile(part, "exists and is not a folder");
      return;
    }
    if (end == std::string::npos) return;
  }
}

// Whether a path names something, following links (a dangling link does
// not). A path that can't be looked at (a folder on the way not searchable,
// a loop of links) is error 30: the answer is unknown, not no.
void Exists(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("exists(path)", a[0])) return;
  std::string path = Bytes(a[0]);
  bool named = path.find('\0') == std::string::npos;  // no name holds one
  struct stat st;
  if (named && stat(path.c_str(), &st) == 0)
    r = MakeBoolean(true);
  else if (!named || errno == ENOENT || errno == ENOTDIR)
    r = MakeBoolean(false);
  else
    RaiseFile(path, std::strerror(errno));
}

// The value of an environment variable; empty when it is not set.
void GetEnv(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("getenv(name)", a[0])) return;
  std::string name = Bytes(a[0]);
  const char* value = name.find('\0') == std::string::npos
                          ? std::getenv(name.c_str())
                          : nullptr;
  if (value) r = MakeString(value);
}

// The position after the last '/', 0 when there is none.
std::size_t NameStart(const std::string& p) {
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// The extension's position in p: the last '.' of the name, unless the name
// has only dots before it; p.size() when the name has no extension.
std::size_t ExtStart(const std::string& p) {
  std::size_t name = NameStart(p);
  std::size_t dot = p.rfind('.');
  if (dot == std::string::npos || dot < name) return p.size();
  for (std::size_t i = name; i < dot; ++i)
    if (p[i] != '.') return dot;
  return p.size();
}

// The path helpers take one String; usage names the function.
bool OnePath(const char* usage, Args& a, std::string* p) {
  if (!Text(usage, a[0])) return false;
  *p = Bytes(a[0]);
  return true;
}

void Basename(BuiltinContext&, Args& a, Variable& r) {
  std::string p;
  if (OnePath("basename(path)", a, &p)) r = MakeString(p.substr(NameStart(p)));
}

// Everything before the last '/', without trailing '/' unless only
// slashes remain.
void Dirname(BuiltinContext&, Args& a, Variable& r) {
  std::string p;
  if (!OnePath("dirname(path)", a, &p)) return;
  std::string head = p.substr(0, NameStart(p));
  std::size_t keep = head.find_last_not_of('/');
  if (keep != std::string::npos) head.erase(keep + 1);
  r = MakeString(head);
}

void Stem(BuiltinContext&, Args& a, Variable& r) {
  std::string p;
  if (!OnePath("stem(path)", a, &p)) return;
  std::size_t name = NameStart(p);
  r = MakeString(p.substr(name, ExtStart(p) - name));
}

void Ext(BuiltinContext&, Args& a, Variable& r) {
  std::string p;
  if (OnePath("ext(path)", a, &p)) r = MakeString(p.substr(ExtStart(p)));
}

void JoinPath(BuiltinContext&, Args& a, Variable& r) {
  std::string path;
  for (Variable& part : a) {
    if (!Text("joinpath(part, ...)", part)) return;
    const std::string& s = Bytes(part);
    if (!s.empty() && s[0] == '/')
      path = s;
    else if (path.empty() || path.back() == '/')
      path += s;
    else
      path += "/" + s;
    if (static_cast<long long>(path.size()) > MaxBytes()) {
      RaiseNoMemory(MaxBytes());
      return;
    }
  }
  r = TakeString(std::move(path));
}

bool Texts(const char* usage, Args& a) {
  for (Variable& v : a)
    if (!Text(usage, v)) return false;
  return true;
}

// Every occurrence of old, left to right; an empty old matches between
// every two bytes and at both ends.
void Replace(BuiltinContext&, Args& a, Variable& r) {
  static const char* usage = "replace(s, old, new)";
  if (!Texts(usage, a)) return;
  std::string s = Bytes(a[0]), from = Bytes(a[1]), to = Bytes(a[2]);
  std::size_t hits = from.empty() ? s.size() + 1 : 0;
  for (std::size_t i = from.empty() ? s.npos : s.find(from); i != s.npos;
       i = s.find(from, i + from.size()))
    ++hits;
  long long size =
      static_cast<long long>(s.size()) +
      static_cast<long long>(hits) * (static_cast<long long>(to.size()) -
                                      static_cast<long long>(from.size()));
  if (size > MaxBytes()) {
    RaiseNoMemory(MaxBytes());
    return;
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(size));
  if (from.empty()) {
    for (char c : s) out += to + c;
    out += to;
  } else {
    std::size_t at = 0;
    for (std::size_t i = s.find(from); i != s.npos; i = s.find(from, at)) {
      out.append(s, at, i - at).append(to);
      at = i + from.size();
    }
    out.append(s, at, s.npos);
  }
  r = TakeString(std::move(out));
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

// Adds a part to the result of split; false (and error 8) past the limit
// of elements.
bool AddPart(std::vector<Variable>& parts, const std::string& s, std::size_t at,
             std::size_t n) {
  if (static_cast<long long>(parts.size()) >= MaxElements()) {
    RaiseNoMemory(MaxElements());
    return false;
  }
  parts.push_back(MakeString(s.substr(at, n)));
  return true;
}

// split(s) splits at runs of blanks and drops empty parts; split(s, sep)
// splits at each sep and keeps them.
void Split(BuiltinContext&, Args& a, Variable& r) {
  static const char* usage = "split(s, sep)";
  if (!Texts(usage, a)) return;
  std::string s = Bytes(a[0]);
  std::vector<Variable> parts;
  if (a.size() == 1) {
    for (std::size_t i = 0; i < s.size();) {
      while (i < s.size() && IsSpace(s[i])) ++i;
      std::size_t start = i;
      while (i < s.size() && !IsSpace(s[i])) ++i;
      if (i > start && !AddPart(parts, s, start, i - start)) return;
    }
  } else {
    std::string sep = Bytes(a[1]);
    if (sep.empty()) {
      RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) + ": an empty sep");
      return;
    }
    std::size_t at = 0;
    for (std::size_t i = s.find(sep); i != s.npos; i = s.find(sep, at)) {
      if (!AddPart(parts, s, at, i - at)) return;
      at = i + sep.size();
    }
    if (!AddPart(parts, s, at, s.npos)) return;
  }
  r = MakeVector(std::move(parts));
}

void StartsWith(BuiltinContext&, Args& a, Variable& r) {
  if (!Texts("startswith(s, prefix)", a)) return;
  const ZeroedBytes &s = Store(a[0]), &p = Store(a[1]);
  r = MakeBoolean(p.size() <= s.size() &&
                  std::memcmp(s.data(), p.data(), p.size()) == 0);
}

void EndsWith(BuiltinContext&, Args& a, Variable& r) {
  if (!Texts("endswith(s, suffix)", a)) return;
  const ZeroedBytes &s = Store(a[0]), &p = Store(a[1]);
  r = MakeBoolean(
      p.size() <= s.size() &&
      std::memcmp(s.data() + s.size() - p.size(), p.data(), p.size()) == 0);
}

}  // namespace

const Builtin kPathBuiltins[] = {
    {"ListFiles", 1, 1, ListFiles, "ListFiles(pattern)", true},
    {"MakeDir", 1, 1, MakeDir, "MakeDir(path)", true},
    {"exists", 1, 1, Exists, "exists(path)", true},
    {"getenv", 1, 1, GetEnv, "getenv(name)", false},
    {"basename", 1, 1, Basename, "basename(path)", false},
    {"dirname", 1, 1, Dirname, "dirname(path)", false},
    {"stem", 1, 1, Stem, "stem(path)", false},
    {"ext", 1, 1, Ext, "ext(path)", false},
    {"joinpath", 1, -1, JoinPath, "joinpath(part, ...)", false},
    {"replace", 3, 3, Replace, "replace(s, old, new)", false},
    {"split", 1, 2, Split, "split(s, sep)", false},
    {"startswith", 2, 2, StartsWith, "startswith(s, prefix)", false},
    {"endswith", 2, 2, EndsWith, "endswith(s, suffix)", false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
