// The method table: every script signature of the module and its handler,
// in the order the host lists them.
#include "frame/tables.h"
#include "single/single.h"
#include "triple/triple.h"

const MethodEntry kMethodTable[] = {
    {Lut1New, "LUT1::LUT1(void)"},
    {Lut1NewFromVector, "LUT1::LUT1(object Vector)"},
    {SingleGetTable, "LUT1::GetTable(void)"},
    {SingleSetItem, "LUT1::SetItem(int, char)"},
    {SingleGetItem, "LUT1::GetItem(int)"},
    {Lut1ConvertVoxel, "LUT1::ConvertVoxel(number)"},
    {Lut1Convert1To1, "LUT1::Convert1To1(refer object String)"},
    {Lut1Convert1To3, "LUT1::Convert1To3(refer object String)"},
    {Lut3New, "LUT3::LUT3(void)"},
    {Lut3New, "LUT3::LUT3(int)"},
    {Lut3NewFrom3Vectors,
     "LUT3::LUT3(object Vector, object Vector, object Vector)"},
    {Lut3NewFrom4Vectors,
     "LUT3::LUT3(object Vector, object Vector, object Vector, object Vector)"},
    {Lut3NewFromLutc3, "LUT3::LUT3( refer object LUTC3 )"},
    {Lut3GetTable, "LUT3::GetTable(int)"},
    {Lut3SetItem, "LUT3::SetItem(int, int, char)"},
    {Lut3GetItem, "LUT3::GetItem(int, int)"},
    {Lut3ConvertVoxel, "LUT3::ConvertVoxel(number)"},
    {Lut3ConvertVoxelColour, "LUT3::ConvertVoxel(refer object ColorRef)"},
    {Lutc3New, "LUTC3::LUTC3(void)"},
    {Lutc3New, "LUTC3::LUTC3(int)"},
    {Lutc3NewFrom3Vectors,
     "LUTC3::LUTC3(object Vector, object Vector, object Vector)"},
    {Lutc3NewFrom4Vectors,
     "LUTC3::LUTC3(object Vector, object Vector, object Vector, object "
     "Vector)"},
    {Lutc3NewFromLut3, "LUTC3::LUTC3( refer object LUT3 )"},
    {Lutc3GetTable, "LUTC3::GetTable(int)"},
    {Lutc3SetItem, "LUTC3::SetItem(int, int, char)"},
    {Lutc3GetItem, "LUTC3::GetItem(int, int)"},
    {Lutc3ConvertVoxel, "LUTC3::ConvertVoxel(number)"},
    {Lutc3ConvertVoxelColour, "LUTC3::ConvertVoxel(refer object ColorRef)"},
    {nullptr, nullptr},
};
