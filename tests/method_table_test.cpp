// The method table as the host reads it: every signature of the module in
// its fixed order, and the rows that share one handler.
#include <map>
#include <set>

#include "tests/harness.h"

namespace {

// The module's 66 signatures, in table order.
const char* const kSignatures[] = {
    "LUT1::LUT1(void)",
    "LUT1::LUT1(object Vector)",
    "LUT1::GetTable(void)",
    "LUT1::SetItem(int, char)",
    "LUT1::GetItem(int)",
    "LUT1::ConvertVoxel(number)",
    "LUT1::Convert1To1(refer object String)",
    "LUT1::Convert1To3(refer object String)",
    "LUT1::Shrink(number, number, number, number, boolean)",
    "LUT2::LUT2(void)",
    "LUT2::LUT2(int)",
    "LUT2::LUT2(object Vector, int)",
    "LUT2::GetTable(void)",
    "LUT2::SetItem(int, char)",
    "LUT2::GetItem(int)",
    "LUT2::ConvertVoxel(number)",
    "LUT2::Convert2To1(refer object String)",
    "LUT2::Convert2To3(refer object String)",
    "LUT2::Shrink(number, number, number, number, boolean)",
    "LUT3::LUT3(void)",
    "LUT3::LUT3(int)",
    "LUT3::LUT3(object Vector, object Vector, object Vector)",
    "LUT3::LUT3(object Vector, object Vector, object Vector, object Vector)",
    "LUT3::LUT3( refer object LUTC3 )",
    "LUT3::GetTable(int)",
    "LUT3::SetItem(int, int, char)",
    "LUT3::GetItem(int, int)",
    "LUT3::ConvertVoxel(number)",
    "LUT3::ConvertVoxel(refer object ColorRef)",
    "LUT3::Convert1To1(refer any, refer any)",
    "LUT3::Convert2To1(refer any, refer any)",
    "LUT3::Convert3To1(refer any, refer any)",
    "LUT3::Convert3To3(refer any, refer any)",
    "LUT3::Convert2To3(refer any, refer any)",
    "LUT3::ConvertU2To3(refer any, refer any)",
    "LUT3::Convert1To3(refer any, refer any)",
    "LUT3::Convert2To2(refer any, refer any)",
    "LUT3::Transform( number, number, number, number, refer object RECT )",
    "LUT3::*(refer object LUT3)",
    "LUT3::Shrink(number, number, number, number, boolean)",
    "LUT3::Shrink(number, number, number, number, boolean, boolean)",
    "LUT3::IsGrayScale(void)",
    "LUT3::Stretch(int)",
    "LUTC3::LUTC3(void)",
    "LUTC3::LUTC3(int)",
    "LUTC3::LUTC3(object Vector, object Vector, object Vector)",
    "LUTC3::LUTC3(object Vector, object Vector, object Vector, object Vector)",
    "LUTC3::LUTC3( refer object LUT3 )",
    "LUTC3::GetTable(int)",
    "LUTC3::SetItem(int, int, char)",
    "LUTC3::GetItem(int, int)",
    "LUTC3::ConvertVoxel(number)",
    "LUTC3::ConvertVoxel(refer object ColorRef)",
    "LUTC3::Convert1To1(refer any, refer any)",
    "LUTC3::Convert2To1(refer any, refer any)",
    "LUTC3::Convert3To1(refer any, refer any)",
    "LUTC3::Convert3To3(refer any, refer any)",
    "LUTC3::Convert2To3(refer any, refer any)",
    "LUTC3::Convert1To3(refer any, refer any)",
    "LUTC3::Convert2To2(refer any, refer any)",
    "LUTC3::Transform( number, number, number, number, refer object RECT )",
    "LUTC3::*(refer object LUTC3)",
    "LUTC3::Shrink(number, number, number, number, boolean)",
    "LUTC3::Shrink(number, number, number, number, boolean, boolean)",
    "LUTC3::IsGrayScale(void)",
    "LUTC3::Stretch(int)",
};
const std::size_t kRows = sizeof kSignatures / sizeof kSignatures[0];

// The pairs of rows (in the full table) that bind one handler.
const std::pair<std::size_t, std::size_t> kShared[] = {
    {2, 12}, {3, 13}, {4, 14}, {10, 11}, {19, 20}, {43, 44}};

class MethodTableTest : public PluginTest {
 protected:
  const std::vector<MethodEntry>& Rows() {
    return engine.Modules().at(0).methods;
  }
  // For each row of the module's table, its row number in the full table.
  std::vector<std::size_t> Places() {
    std::vector<std::size_t> places;
    std::size_t next = 0;
    for (const MethodEntry& row : Rows()) {
      while (next < kRows && std::string(kSignatures[next]) != row.signature)
        ++next;
      places.push_back(next);
      if (next < kRows) ++next;
    }
    return places;
  }
};

TEST_F(MethodTableTest, RowsAppearInTableOrder) {
  ASSERT_EQ(kRows, 66u);
  std::vector<std::size_t> places = Places();
  for (std::size_t i = 0; i < places.size(); ++i)
    EXPECT_LT(places[i], kRows)
        << "row " << i << " \"" << Rows()[i].signature
        << "\" is out of order or not a signature of the module";
  // Every whole-table operation is there.
  std::set<std::string> present;
  for (const MethodEntry& row : Rows()) present.insert(row.signature);
  for (std::size_t r : {37, 38, 39, 40, 41, 42, 60, 61, 62, 63, 64, 65})
    EXPECT_TRUE(present.count(kSignatures[r])) << kSignatures[r];
}

// Rows share a handler exactly where the table says, among the rows there.
TEST_F(MethodTableTest, SharedHandlers) {
  std::vector<std::size_t> places = Places();
  std::map<std::size_t, MethodHandler> byRow;
  for (std::size_t i = 0; i < places.size(); ++i)
    byRow[places[i]] = Rows()[i].handler;
  std::map<std::size_t, std::size_t> partner;
  for (const auto& p : kShared) {
    partner[p.first] = p.second;
    partner[p.second] = p.first;
  }
  for (const auto& a : byRow)
    for (const auto& b : byRow) {
      if (a.first >= b.first) continue;
      bool shared = partner.count(a.first) && partner[a.first] == b.first;
      EXPECT_EQ(a.second == b.second, shared)
          << "rows " << a.first << " and " << b.first;
    }
}

// Enabled once the table is complete: 66 rows, 60 handlers.
TEST_F(MethodTableTest, TableIsComplete) {
  if (Rows().size() < kRows)
    GTEST_SKIP() << "the method table has " << Rows().size()
                 << " of its 66 rows; the buffer conversions are not in yet";
  EXPECT_EQ(Rows().size(), kRows);
  std::set<MethodHandler> handlers;
  for (std::size_t i = 0; i < Rows().size() && i < kRows; ++i) {
    EXPECT_STREQ(Rows()[i].signature, kSignatures[i]) << "row " << i;
    handlers.insert(Rows()[i].handler);
  }
  EXPECT_EQ(handlers.size(), 60u);
}

}  // namespace
