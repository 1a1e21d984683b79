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
    {Lut1Shrink, "LUT1::Shrink(number, number, number, number, boolean)"},
    {Lut2New, "LUT2::LUT2(void)"},
    {Lut2NewWithArgs, "LUT2::LUT2(int)"},
    {Lut2NewWithArgs, "LUT2::LUT2(object Vector, int)"},
    {SingleGetTable, "LUT2::GetTable(void)"},
    {SingleSetItem, "LUT2::SetItem(int, char)"},
    {SingleGetItem, "LUT2::GetItem(int)"},
    {Lut2ConvertVoxel, "LUT2::ConvertVoxel(number)"},
    {Lut2Convert2To1, "LUT2::Convert2To1(refer object String)"},
    {Lut2Convert2To3, "LUT2::Convert2To3(refer object String)"},
    {Lut2Shrink, "LUT2::Shrink(number, number, number, number, boolean)"},
    {nullptr, nullptr},
};
