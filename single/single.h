// Handlers of the single-channel tables LUT1 and LUT2.
#ifndef LUT_SINGLE_SINGLE_H
#define LUT_SINGLE_SINGLE_H

#include "host/zorl.h"

// Shared by LUT1 and LUT2: entries are indexed directly, without BaseLine.
void SingleGetTable(VarRegister* result, VarRegister* args, int argc,
                    Processor* proc);
void SingleSetItem(VarRegister* result, VarRegister* args, int argc,
                   Processor* proc);
void SingleGetItem(VarRegister* result, VarRegister* args, int argc,
                   Processor* proc);

void Lut1New(VarRegister* result, VarRegister* args, int argc, Processor* proc);
void Lut1NewFromVector(VarRegister* result, VarRegister* args, int argc,
                       Processor* proc);
void Lut1ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                      Processor* proc);
void Lut1Convert1To1(VarRegister* result, VarRegister* args, int argc,
                     Processor* proc);
void Lut1Convert1To3(VarRegister* result, VarRegister* args, int argc,
                     Processor* proc);

void Lut1Shrink(VarRegister* result, VarRegister* args, int argc,
                Processor* proc);

void Lut2New(VarRegister* result, VarRegister* args, int argc, Processor* proc);
// "LUT2::LUT2(int)" when argc is 2, "LUT2::LUT2(object Vector, int)" else.
void Lut2NewWithArgs(VarRegister* result, VarRegister* args, int argc,
                     Processor* proc);
void Lut2ConvertVoxel(VarRegister* result, VarRegister* args, int argc,
                      Processor* proc);
void Lut2Convert2To1(VarRegister* result, VarRegister* args, int argc,
                     Processor* proc);
void Lut2Convert2To3(VarRegister* result, VarRegister* args, int argc,
                     Processor* proc);
void Lut2Shrink(VarRegister* result, VarRegister* args, int argc,
                Processor* proc);

// Re-initialises out as a String of size bytes and returns its bytes; null
// when there are none or the host did not give all of them. A size beyond
// the host's long is refused whole: the host is asked for its largest.
inline unsigned char* NewString(Variable* out, long long size) {
  const long long largest = 0x7FFFFFFF;
  out->Init(PV_STRING, static_cast<zlong>(size > largest ? largest : size));
  unsigned char* d = reinterpret_cast<unsigned char*>(out->GetData());
  return d && out->GetLen() == size ? d : nullptr;
}

#endif
