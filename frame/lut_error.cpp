// Reporting the module's errors, and the host's owner processor.
#include <cstdio>

#include "frame/exports.h"
#include "frame/tables.h"

const ErrorEntry kErrorTable[] = {
    {VALUE_OUT_OF_RANGE, "value out of LUT range", "VALUE_OUT_OF_RANGE"},
    {0, nullptr, nullptr},
};

void LutError(LUT_ERROR code, const char* text) {
  unsigned short offset = GetErrorOffset(ZorlSystemGetLibInst());
  if (offset == 0xFFFF) {
    char buffer[80];
    std::sprintf(buffer, "LUT ERROR: %d, \r\n", static_cast<int>(code));
    OutputDebugStringA(buffer);
    return;
  }
  ZorlError(static_cast<zlong>(offset) + code, text);
}

Processor* GetOwner() {
  PVConnect* connector = GetConnector();
  return connector ? connector->_GetOwner() : nullptr;
}
