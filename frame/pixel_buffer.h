// Pixel data passed as a String or as a host Buffer object.
#ifndef LUT_FRAME_PIXEL_BUFFER_H
#define LUT_FRAME_PIXEL_BUFFER_H

#include "host/zorl.h"

// The bytes of a pixel argument: a String's data and byte length, or the
// memory of a connected object of class Buffer (or a class derived from it)
// as its members Address and Len give it. Anything else, and a Buffer that
// is not connected, gives null and the length 0. A reference is followed.
// *len is written on every path. proc runs the Buffer's IsBufferConnected.
char* GetPixelBuffer(Variable* value, zlong* len, Processor* proc);

#endif
