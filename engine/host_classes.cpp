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

// Argument i as a whole number that a long holds; what names it
// ("Buffer: size").
bool Whole(VarRegister* args, int i, const std::string& what, long long* out) {
  return WholeNumber(*static_cast<Variable*>(args[i]), what, kLongLowest,
                     kLongHighest, out);
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
  // The block and its charge to the memory budget live as long as the last
  // copy of the object.
  struct Native {
    explicit Native(std::size_t size) : charge(size), bytes(size) {}
    Charge charge;
    std::vector<char> bytes;
  };
  std::shared_ptr<Native> block;
  try {
    // Never an empty block, so that its address is never null.
    block = std::make_shared<Native>(static_cast<std::size_t>(n) + 1);
  } catch (const std::bad_alloc& e) {
    RaiseNoMemory(static_cast<zlong>(n), e);
    return;
  }
  block->bytes.pop_back();
  o->native = std::shared_ptr<std::vector<char>>(block, &block->bytes);
  (*self)("Address") =
      MakeAddress(reinterpret_cast<std::uintptr_t>(block->bytes.data()));
  (*self)("Len") = MakeLong(static_cast<zlong>(n));
}

void BufferNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  long long n = 0;
  if (argc == 1 || !Whole(args, 0, "Buffer: size", &n)) {
    (*self)("Address") = MakeAddress(0);
    (*self)("Len") = MakeLong(0);
    return;
  }
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
  long long w = 0, h = 0, d = 0;
  bool whole = Whole(args, 0, "FrameBuffer: width", &w) &&
               Whole(args, 1, "FrameBuffer: height", &h) &&
               Whole(args, 2, "FrameBuffer: depth", &d);
  if (!whole) w = h = d = 0;
  (*self)("Width") = MakeLong(static_cast<zlong>(w));
  (*self)("Height") = MakeLong(static_cast<zlong>(h));
  (*self)("Depth") = MakeLong(static_cast<zlong>(d));
  if (!whole) {
    (*self)("Address") = MakeAddress(0);
    (*self)("Len") = MakeLong(0);
    return;
  }
  // The product is taken only of sizes that are not negative, and only when
  // it stays within the limit; otherwise Connect refuses a stand-in.
  long long n = -1;
  if (w >= 0 && h >= 0 && d >= 0 && !SizeWithin(w, h, d, MaxBytes(), &n))
    n = static_cast<long long>(MaxBytes()) + 1;
  Connect(self, n, SizeText(w, h, d));
}

void ColorRefNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  long long c = 0;
  if (argc == 2 && !Whole(args, 0, "ColorRef: clrf", &c)) c = 0;
  (*self)("clrf") = static_cast<int>(c);
}

// A RECT whose corner is refused is all zeros.
void RectNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  static const char* names[] = {"left", "top", "right", "bottom"};
  long long at[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4 && argc == 5; ++i)
    if (!Whole(args, i, std::string("RECT: ") + names[i], &at[i])) {
      at[0] = at[1] = at[2] = at[3] = 0;
      break;
    }
  for (int i = 0; i < 4; ++i) (*self)(names[i]) = static_cast<int>(at[i]);
}

// Image() is an empty picture; Image(w, h, d) has w * h * d zero bytes of
// pixels, or none when that size is refused. Its samples are unsigned and of
// the depth's bits, without rescale or window.
void ImageNew(VarRegister*, VarRegister* args, int argc, Processor*) {
  Variable* self = Self(args, argc);
  long long size[3] = {0, 0, 0};
  std::string error;
  if (argc == 4 && (!Whole(args, 0, "Image: width", &size[0]) ||
                    !Whole(args, 1, "Image: height", &size[1]) ||
                    !Whole(args, 2, "Image: depth", &size[2]))) {
    size[0] = size[1] = size[2] = 0;
  } else if (argc == 4 && !CheckImageSize(size[0], size[1], size[2], &error)) {
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
