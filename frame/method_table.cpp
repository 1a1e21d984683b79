// The method table: every script signature of the module and its handler,
// in the order the host lists them.
#include "frame/tables.h"
#include "single/single.h"

const MethodEntry kMethodTable[] = {
    {Lut1New, "LUT1::LUT1(void)"},
    {Lut1NewFromVector, "LUT1::LUT1(object Vector)"},
    {SingleGetTable, "LUT1::GetTable(void)"},
    {SingleSetItem, "LUT1::SetItem(int, char)"},
    {SingleGetItem, "LUT1::GetItem(int)"},
    {Lut1ConvertVoxel, "LUT1::ConvertVoxel(number)"},
    {Lut1Convert1To1, "LUT1::Convert1To1(refer object String)"},
    {Lut1Convert1To3, "LUT1::Convert1To3(refer object String)"},
    {nullptr, nullptr},
};
