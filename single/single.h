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

#endif
