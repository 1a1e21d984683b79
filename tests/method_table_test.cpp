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

class MethodTableTest : public PluginTest {};

TEST_F(MethodTableTest, RowsInOrderAndSharedHandlers) {
  const std::vector<MethodEntry>& rows = engine.Modules().at(0).methods;
  ASSERT_EQ(rows.size(), kRows);
  std::map<MethodHandler, std::vector<std::size_t>> byHandler;
  for (std::size_t i = 0; i < kRows; ++i) {
    EXPECT_STREQ(rows[i].signature, kSignatures[i]) << "row " << i;
    byHandler[rows[i].handler].push_back(i);
  }
  // Rows share a handler exactly where these pairs do.
  std::set<std::vector<std::size_t>> shared;
  for (const auto& h : byHandler)
    if (h.second.size() > 1) shared.insert(h.second);
  EXPECT_EQ(shared,
            (std::set<std::vector<std::size_t>>{
                {2, 12}, {3, 13}, {4, 14}, {10, 11}, {19, 20}, {43, 44}}));
}

}  // namespace
