// The method table as the host reads it: every signature of the module in
// its fixed order, and the rows that share one handler.
#include <map>
#include <set>

#include "tests/harness.h"

namespace {

class MethodTableTest : public PluginTest {};

// The 66 signatures, one a line, hash to this (64-bit FNV-1a); `zorl
// methods` lists them. A change of the table on purpose changes it.
const unsigned long long kTableHash = 0x3a03f39c986d6abaULL;

TEST_F(MethodTableTest, RowsInOrderAndSharedHandlers) {
  const std::vector<MethodEntry>& rows = engine.Modules().at(0).methods;
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
