// The host's own classes: Buffer (a block of memory that scripts hand to
// methods in place of a String), FrameBuffer (a Buffer of width x height
// pixels of depth bytes), ColorRef (a colour 0x00BBGGRR), RECT, Image
// (a picture: Width, Height, Depth and its Pixels as a String, and what a
// scan says about them: Signed, BitsStored, RescaleSlope, RescaleIntercept,
// WindowCenter, WindowWidth, Photometric, Frames) and Error (an error that a
// script caught: number, text, method, line).
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/classes.h"
#include "engine/host_errors.h"
#include "engine/image_size.h"
#include "engine/machine.h"
#include "engine/store.h"
#include "engine/values.h"

namespace zorl {

namespace {

Variable* Self(VarRegister* args, int argc) {
  return static_cast<Variable*>(args[argc - 1])->GetPointer();
}

// Gives a Buffer object n zeroed bytes of memory of its own, or leaves it
// unconnected when n is refused; what: the size as the script gave it.
void Connect(Variable* self, long long n, const std::string& what) {
  ObjectStore* o = AsObject(self);
  (*self)("Address") = MakeAddress(0);
  (*self)("Len") = MakeLong(0);
  if (n < 0) {
    RaiseHostError(ZE_BAD_PARAMETER, "a buffer of " + what + " bytes");
    return;
  }
  if (n > MaxBytes()) {
    RaiseHostError(ZE_NO_MEMORY, "a buffer of " + what + " bytes, more than " +
                                     std::to_string(MaxBytes()));
    return;
  }
  auto block = std::make_shared<std::vector<char>>();
  try {
    block->resize(static_cast<std::size_t>(n) + 1);  // never an empty block
  } catch (const std::bad_alloc&) {
    RaiseNoMemory(static_cast<zlong>(n));
    return;
  }
  block->resize(static_cast<std::size_t>(n));
  o->native = block;
  (*self)("Address") =
      MakeAddress(reinterpret_cast<std::uintptr_t>(block->data()));
  (*self)("Len") = MakeLong(static_cast<zlong>(n));
}

void BufferNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  if (argc == 1) {
    (*self)("Address") = MakeAddress(0);
    (*self)("Len") = MakeLong(0);
    return;
  }
  zlong n = static_cast<Variable*>(args[0])->GetLongNumb();
  Connect(self, n, std::to_string(n));
}

void BufferIsConnected(VarRegister* result, VarRegister* args, int argc,
                       Processor*) {
  result->Hold() = AsObject(Self(args, argc))->native ? 1 : 0;
}

void BufferRead(VarRegister* result, VarRegister* args, int argc, Processor*) {
  ObjectStore* o = AsObject(Self(args, argc));
  std::string bytes;
  if (o->native) bytes.assign(o->native->begin(), o->native->end());
  result->Hold() = MakeString(bytes);
}

void BufferWrite(VarRegister*, VarRegister* args, int argc, Processor*) {
  ObjectStore* o = AsObject(Self(args, argc));
  Variable* src = static_cast<Variable*>(args[0])->GetPointer();
  if (src->GetType() != PV_STRING) {
    RaiseHostError(ZE_BAD_ARGUMENT, "Buffer::Write takes a String");
    return;
  }
  if (!o->native) return;
  std::size_t n = static_cast<std::size_t>(src->GetLen());
  if (n > o->native->size()) n = o->native->size();
  if (n) std::memcpy(o->native->data(), src->GetData(), n);
}

void FrameBufferNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  zlong w = static_cast<Variable*>(args[0])->GetLongNumb();
  zlong h = static_cast<Variable*>(args[1])->GetLongNumb();
  zlong d = static_cast<Variable*>(args[2])->GetLongNumb();
  (*self)("Width") = MakeLong(w);
  (*self)("Height") = MakeLong(h);
  (*self)("Depth") = MakeLong(d);
  // The product is taken only of sizes that are not negative, and only when
  // it stays within the limit; otherwise Connect refuses a stand-in.
  long long n = -1;
  if (w >= 0 && h >= 0 && d >= 0 && !SizeWithin(w, h, d, MaxBytes(), &n))
    n = static_cast<long long>(MaxBytes()) + 1;
  Connect(self, n, SizeText(w, h, d));
}

void ColorRefNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  (*self)("clrf") =
      argc == 1
          ? 0
          : static_cast<int>(static_cast<Variable*>(args[0])->GetLongNumb());
}

void RectNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  static const char* names[] = {"left", "top", "right", "bottom"};
  for (int i = 0; i < 4; ++i)
    (*self)(names[i]) =
        argc == 1
            ? 0
            : static_cast<int>(static_cast<Variable*>(args[i])->GetLongNumb());
}

// Image() is an empty picture; Image(w, h, d) has w * h * d zero bytes of
// pixels, or none when that size is refused. Its samples are unsigned and of
// the depth's bits, without rescale or window.
void ImageNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  long long size[3] = {0, 0, 0};
  for (int i = 0; i < 3 && argc == 4; ++i)
    size[i] = static_cast<Variable*>(args[i])->GetLongNumb();
  std::string error;
  if (argc == 4 && !CheckImageSize(size[0], size[1], size[2], &error)) {
    RaiseHostError(ZE_BAD_PARAMETER, "Image: " + error);
    size[0] = size[1] = size[2] = 0;
  }
  (*self)("Width") = MakeLong(static_cast<zlong>(size[0]));
  (*self)("Height") = MakeLong(static_cast<zlong>(size[1]));
  (*self)("Depth") = MakeLong(static_cast<zlong>(size[2]));
  Variable& pixels = (*self)("Pixels");
  pixels.Init(PV_STRING, static_cast<zlong>(size[0] * size[1] * size[2]));
  bool none = size[2] == 0;
  (*self)("Signed") = MakeBoolean(false);
  (*self)("BitsStored") = MakeLong(none ? 0 : DefaultBitsStored(size[2]));
  (*self)("Photometric") = MakeString(none ? "" : DefaultPhotometric(size[2]));
  (*self)("Frames") = MakeLong(none ? 0 : 1);
  for (const char* name :
       {"RescaleSlope", "RescaleIntercept", "WindowCenter", "WindowWidth"})
    (*self)(name) = Variable();
}

// Error() is error 0 without a text; a catch fills in what was raised.
void ErrorNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  (*self)("number") = MakeLong(0);
  (*self)("text") = MakeString("");
  (*self)("method") = MakeString("");
  (*self)("line") = MakeLong(0);
}

struct HostMethod {
  const char* signature;
  MethodHandler handler;
};

const HostMethod kHostMethods[] = {
    {"Buffer::Buffer(void)", BufferNew},
    {"Buffer::Buffer(int)", BufferNew},
    {"Buffer::IsBufferConnected(void)", BufferIsConnected},
    {"Buffer::Read(void)", BufferRead},
    {"Buffer::Write(refer any)", BufferWrite},
    {"FrameBuffer::FrameBuffer(int, int, int)", FrameBufferNew},
    {"ColorRef::ColorRef(void)", ColorRefNew},
    {"ColorRef::ColorRef(number)", ColorRefNew},
    {"RECT::RECT(void)", RectNew},
    {"RECT::RECT(number, number, number, number)", RectNew},
    {"Image::Image(void)", ImageNew},
    {"Image::Image(int, int, int)", ImageNew},
    {"Error::Error(void)", ErrorNew},
};

}  // namespace

void RegisterHostClasses(ClassRegistry& classes) {
  for (const HostMethod& hm : kHostMethods) {
    Signature sig;
    std::string error;
    ParseSignature(hm.signature, &sig, &error);
    classes.Declare(sig.cls)->methods.push_back(
        MethodInfo{sig.method, hm.signature, sig.params, hm.handler});
  }
  auto buffer = classes.Find("Buffer");
  buffer->readOnly = {"Address", "Len"};
  auto frame = classes.Find("FrameBuffer");
  frame->bases.push_back(buffer);
  frame->readOnly = {"Address", "Len", "Width", "Height", "Depth"};
}

}  // namespace zorl
