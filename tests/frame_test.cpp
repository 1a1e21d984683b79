// The plug-in frame as the host sees it: registration exports, the method
// table (every signature in its fixed order, and the rows that share a
// handler) and the error table, and the named exports. (The module handle and
// the running processor serve every error the module raises.)
#include <dlfcn.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "tests/harness.h"

namespace {

class FrameTest : public PluginTest {
 protected:
  void* Symbol(const char* name) {
    void* lib = dlopen(LUT_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(lib, nullptr);
    void* sym = lib ? dlsym(lib, name) : nullptr;
    if (lib) dlclose(lib);
    return sym;
  }
  const zorl::ModuleInfo& Module() { return engine.Modules().at(0); }
};

TEST_F(FrameTest, DescriptionIsCopiedLikeStrncpy) {
  auto describe =
      reinterpret_cast<LibGetDescriptionFn>(Symbol("LibGetDescription"));
  ASSERT_NE(describe, nullptr);
  const std::string text = "ZORL Support DLL v3.7 |ZORL version:4.62.12";
  EXPECT_EQ(Module().description, text);

  char dest[80];
  std::memset(dest, 'x', sizeof dest);
  EXPECT_EQ(describe(dest, 64), dest);
  EXPECT_EQ(std::string(dest, 43), text);
  EXPECT_EQ(std::string(dest + 43, 21), std::string(21, '\0'));
  EXPECT_EQ(dest[64], 'x');

  std::memset(dest, 'x', sizeof dest);
  describe(dest, 10);
  EXPECT_EQ(std::string(dest, 11), "ZORL Suppox");  // no terminating zero
  std::memset(dest, 'x', sizeof dest);
  describe(dest, 0);
  describe(dest, -5);  // a negative size writes nothing
  EXPECT_EQ(dest[0], 'x');
}

TEST_F(FrameTest, TablesAreConstantAndWellFormed) {
  auto methods =
      reinterpret_cast<LibGetMethodTableFn>(Symbol("LibGetMethodTable"));
  auto errors =
      reinterpret_cast<LibGetErrorTableFn>(Symbol("LibGetErrorTable"));
  ASSERT_TRUE(methods && errors);
  EXPECT_EQ(methods(0), methods(12345));
  EXPECT_EQ(errors(), errors());

  // The packed error row: the text pointer follows the code at once.
  EXPECT_EQ(sizeof(ErrorEntry), 2 + 2 * sizeof(void*));
  EXPECT_EQ(offsetof(ErrorEntry, text), 2u);
  // Fields of a packed row are read by value: they need not be aligned.
  const ErrorEntry* e = errors();
  const char *text0 = e[0].text, *name0 = e[0].name, *text1 = e[1].text;
  EXPECT_EQ(e[0].code + e[1].code, 0);
  EXPECT_STREQ(text0, "value out of LUT range");
  EXPECT_STREQ(name0, "VALUE_OUT_OF_RANGE");
  EXPECT_EQ(text1, nullptr);
}

TEST_F(FrameTest, ExportsOnlyItsNamedFunctions) {
  std::string cmd =
      std::string("nm -DC --defined-only '") + LUT_PLUGIN_PATH + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    s.erase(s.find_last_not_of("\r\n") + 1);
    std::size_t space = s.find(' ', s.find(' ') + 1);  // after address and kind
    names.insert(s.substr(space + 1));
  }
  ASSERT_EQ(pclose(p), 0);
  std::set<std::string> expected = {
      "LibGetDescription",
      "LibGetMethodTable",
      "LibGetErrorTable",
      "LibNotify",
      "ZorlSystemGetLibInst()",
      "LutError(LUT_ERROR, char const*)",
      "GetOwner()",
      "TopType(unsigned short, unsigned short)",
  };
  for (const char* op : {"+", "-", "*", "/", "%", "|", "&", "^"})
    expected.insert(std::string("operator") + op +
                    "(Variable const&, Variable const&)");
  for (const char* fn :
       {"Add", "Sub", "Mul", "Div", "Rest", "Or", "And", "Xor"})
    expected.insert(std::string(fn) +
                    "(Variable&, Variable const&, Variable const&)");
  EXPECT_EQ(names, expected);
}

// The 66 signatures, one a line, hash to this (64-bit FNV-1a); `zorl
// methods` lists them. A change of the table on purpose changes it.
const unsigned long long kTableHash = 0x3a03f39c986d6abaULL;

TEST_F(FrameTest, MethodTableRowsInOrderAndSharedHandlers) {
  const std::vector<MethodEntry>& rows = Module().methods;
  ASSERT_EQ(rows.size(), 66u);
  std::string table;
  std::map<MethodHandler, std::vector<std::size_t>> byHandler;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    table += std::string(rows[i].signature) + "\n";
    byHandler[rows[i].handler].push_back(i);
  }
  unsigned long long hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : table) hash = (hash ^ c) * 0x100000001b3ULL;
  EXPECT_EQ(hash, kTableHash) << table;
  // Rows share a handler exactly where these pairs do.
  std::set<std::vector<std::size_t>> shared;
  for (const auto& h : byHandler)
    if (h.second.size() > 1) shared.insert(h.second);
  EXPECT_EQ(shared,
            (std::set<std::vector<std::size_t>>{
                {2, 12}, {3, 13}, {4, 14}, {10, 11}, {19, 20}, {43, 44}}));
}

}  // namespace
