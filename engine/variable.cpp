// Host values: construction, copying, number reading and data access.
#include "host/variable.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "engine/classes.h"
#include "engine/engine.h"
#include "engine/host_errors.h"
#include "engine/store.h"
#include "host/errors.h"

namespace {

// Where a lookup that has no value to give lands: an empty value, cleared on
// every use, so that writes to it go nowhere.
Variable& Scratch() {
  thread_local Variable scratch;
  scratch._Clear();
  return scratch;
}

const Variable* Follow(const Variable* v) {
  return v->type == PV_REFERENCE && v->val.ref ? v->val.ref : v;
}

zlong Saturate(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return std::numeric_limits<zlong>::max();
  if (d <= -2147483648.0) return std::numeric_limits<zlong>::min();
  return static_cast<zlong>(d);  // truncation toward zero
}

zlong g_maxBytes = zlong(1) << 30;
zlong g_maxElements = zlong(1) << 26;

// The deep size of a value: elements at every level, bytes and nesting.
struct Size {
  long long elements = 0, bytes = 0, extra = 0;
  int depth = 0;
};

// Adds v's size to s; false as soon as a limit is passed.
bool AddSize(const Variable& v, int depth, Size& s) {
  const Variable* f = Follow(&v);
  if (f->type == PV_STRING || f->type == PV_OBJECT) {
    s.bytes += f->GetLen();
    return s.bytes <= g_maxBytes;
  }
  if (f->type != PV_VECTOR) return true;
  if (depth > s.depth) s.depth = depth;
  if (depth > zorl::kMaxNesting) return false;
  const auto& elems = static_cast<const VectorStore*>(f->val.store)->elems;
  s.elements += static_cast<long long>(elems.size());
  s.bytes += s.extra * static_cast<long long>(elems.size());
  if (s.elements > g_maxElements || s.bytes > g_maxBytes) return false;
  for (const Variable& e : elems)
    if (!AddSize(e, depth + 1, s)) return false;
  return true;
}

}  // namespace

namespace zorl {

zlong MaxBytes() { return g_maxBytes; }
zlong MaxElements() { return g_maxElements; }

void SetAllocationLimits(zlong bytes, zlong elements) {
  g_maxBytes = bytes < 0                  ? 0
               : bytes > (zlong(1) << 30) ? zlong(1) << 30
                                          : bytes;
  g_maxElements = elements < 0                  ? 0
                  : elements > (zlong(1) << 26) ? zlong(1) << 26
                                                : elements;
}

bool CheckVectorSize(const char* what, const std::vector<Variable>& elems,
                     long long copies, long long extraBytes) {
  Size one;
  one.extra = extraBytes;
  one.bytes = extraBytes * static_cast<long long>(elems.size());
  bool ok = true;
  for (const Variable& e : elems)
    if (!(ok = AddSize(e, 2, one))) break;
  long long n = static_cast<long long>(elems.size()) + one.elements;
  if (ok && copies > 0) {
    ok = n <= g_maxElements / copies && one.bytes <= g_maxBytes / copies;
  }
  if (ok) return true;
  std::string detail = std::string(what) + ": ";
  if (one.depth > kMaxNesting)
    detail +=
        "Vectors nested more than " + std::to_string(kMaxNesting) + " deep";
  else
    detail += "a Vector of more than " + std::to_string(g_maxElements) +
              " elements or " + std::to_string(g_maxBytes) + " bytes in all";
  RaiseHostError(ZE_NO_MEMORY, detail);
  return false;
}

}  // namespace zorl

Variable::Variable() : type(PV_EMPTY) { val.a = 0; }

Variable::Variable(double d) : type(PV_EMPTY) {
  val.a = 0;
  *this = d;
}

Variable::Variable(const Variable& other) : type(PV_EMPTY) {
  val.a = 0;
  const Variable* src = Follow(&other);
  switch (src->type) {
    case PV_EMPTY:
      return;
    case PV_DOUBLE:
      val.d = src->val.d ? new double(*src->val.d) : nullptr;
      break;
    case PV_STRING:
    case PV_VECTOR:
    case PV_OBJECT:
      val.store = src->val.store->Clone();
      break;
    default:
      val = src->val;
      break;
  }
  type = src->type;
}

Variable::Variable(Variable&& other) noexcept
    : type(other.type), val(other.val) {
  other.type = PV_EMPTY;
  other.val.a = 0;
}

Variable::~Variable() { _Clear(); }

Variable& Variable::operator=(const Variable& other) {
  if (this == &other) return *this;
  Variable copy(other);  // copied first: other may live inside this value
  return *this = std::move(copy);
}

Variable& Variable::operator=(Variable&& other) noexcept {
  if (this == &other) return *this;
  PVARTYPE t = other.type;
  Payload p = other.val;
  other.type = PV_EMPTY;
  other.val.a = 0;
  _Clear();
  type = t;
  val = p;
  return *this;
}

Variable& Variable::operator=(char c) {
  return *this = static_cast<int>(static_cast<signed char>(c));
}

Variable& Variable::operator=(signed char c) {
  return *this = static_cast<int>(c);
}

Variable& Variable::operator=(unsigned char b) {
  _Clear();
  type = PV_BYTE;
  val.b = b;
  return *this;
}

Variable& Variable::operator=(int l) {
  _Clear();
  type = PV_LONG;
  val.l = l;
  return *this;
}

Variable& Variable::operator=(unsigned int ul) {
  return *this = static_cast<int>(ul);
}

Variable& Variable::operator=(float f) {
  _Clear();
  type = PV_FLOAT;
  val.f = f;
  return *this;
}

Variable& Variable::operator=(double d) {
  double* storage = new (std::nothrow) double(d);
  _Clear();
  if (!storage) return *this;
  type = PV_DOUBLE;
  val.d = storage;
  return *this;
}

void Variable::SetBoolean(bool b) {
  _Clear();
  type = PV_BOOLEAN;
  val.l = b ? 1 : 0;
}

zlong Variable::GetLongNumb() const {
  const Variable* v = Follow(this);
  switch (v->type) {
    case PV_BOOLEAN:
    case PV_LONG:
      return v->val.l;
    case PV_BYTE:
      return v->val.b;
    case PV_FLOAT:
      return Saturate(v->val.f);
    case PV_DOUBLE:
      return v->val.d ? Saturate(*v->val.d) : 0;
    case PV_ADDRESS:
      return static_cast<zlong>(static_cast<zulong>(v->val.a));
    default:
      ZorlError(ZE_NOT_A_NUMBER);
      return 0;
  }
}

unsigned char Variable::GetCharNumb() const {
  return static_cast<unsigned char>(GetLongNumb());
}

Variable::operator char() const { return static_cast<char>(GetLongNumb()); }

double Variable::GetDoubleNumb() const {
  const Variable* v = Follow(this);
  switch (v->type) {
    case PV_FLOAT:
      return v->val.f;
    case PV_DOUBLE:
      return v->val.d ? *v->val.d : 0.0;
    default:
      return GetLongNumb();
  }
}

float Variable::GetFloatNumb() const {
  return static_cast<float>(GetDoubleNumb());
}

bool Variable::GetBoolean() const {
  const Variable* v = Follow(this);
  if (v->type == PV_BOOLEAN) return v->val.l != 0;
  ZorlError(ZE_NOT_BOOLEAN);
  return false;
}

std::uintptr_t Variable::GetAddress() const {
  const Variable* v = Follow(this);
  if (v->type == PV_ADDRESS) return v->val.a;
  if (v->type == PV_LONG) return static_cast<zulong>(v->val.l);
  return 0;
}

char* Variable::GetData() {
  Variable* v = GetPointer();
  if (v->type == PV_STRING)
    return &static_cast<StringStore*>(v->val.store)->bytes[0];
  if (ObjectStore* o = AsObject(v)) return o->hasData ? &o->bytes[0] : nullptr;
  return nullptr;
}

zlong Variable::GetLen() const {
  const Variable* v = Follow(this);
  if (v->type == PV_STRING)
    return static_cast<zlong>(
        static_cast<const StringStore*>(v->val.store)->bytes.size());
  if (const ObjectStore* o = AsObject(v))
    return static_cast<zlong>(o->bytes.size());
  return 0;
}

zlong Variable::GetCount() const {
  const Variable* v = Follow(this);
  if (v->type == PV_VECTOR)
    return static_cast<zlong>(
        static_cast<const VectorStore*>(v->val.store)->elems.size());
  return 0;
}

char Variable::GetByte(zlong i) const {
  Variable* self = const_cast<Variable*>(this);
  const char* d = self->GetData();
  return d && i >= 0 && i < GetLen() ? d[i] : 0;
}

void Variable::PutByte(zlong i, char b) {
  char* d = GetData();
  if (d && i >= 0 && i < GetLen()) d[i] = b;
}

Variable* Variable::GetPointer() {
  return type == PV_REFERENCE && val.ref ? val.ref : this;
}

Variable& Variable::operator()(const char* name) {
  ObjectStore* o = AsObject(GetPointer());
  if (!o) {
    zorl::RaiseHostError(zorl::ZE_NOT_AN_OBJECT, name);
    return Scratch();
  }
  return o->Member(name);
}

Variable& Variable::operator[](zlong i) {
  Variable* v = GetPointer();
  if (v->type != PV_VECTOR) {
    ZorlError(ZE_NO_ELEMENTS);
    return Scratch();
  }
  auto& elems = static_cast<VectorStore*>(v->val.store)->elems;
  if (i < 0 || static_cast<std::size_t>(i) >= elems.size()) return Scratch();
  return elems[static_cast<std::size_t>(i)];
}

unsigned short Variable::GetClassID() const {
  const ObjectStore* o = AsObject(Follow(this));
  return o ? o->cls->GetNameID() : 0;
}

Object* Variable::GetObject() { return AsObject(GetPointer()); }

void Variable::Init(PVARTYPE t, zlong n) {
  if (n < 0) n = 0;
  if (t == PV_STRING || t == PV_VECTOR) {
    // The old value is released first, so that the two are never held at
    // once (and a released String's block may serve the new one); a size
    // that is refused or cannot be had leaves the value empty.
    _Clear();
    VarStore* store = nullptr;
    if (n > (t == PV_STRING ? g_maxBytes : g_maxElements)) {
      zorl::RaiseNoMemory(n);
      return;
    }
    std::size_t size = static_cast<std::size_t>(n);
    try {
      if (t == PV_STRING) {
        std::unique_ptr<StringStore> s(new StringStore);
        s->bytes.resize(size);
        store = s.release();
      } else {
        store = new VectorStore(size);
      }
    } catch (const std::bad_alloc& e) {
      zorl::RaiseNoMemory(n, e);
      return;
    }
    type = t;
    val.store = store;
    return;
  }
  _Clear();
  if (t == PV_DOUBLE) {
    *this = 0.0;
  } else if (t == PV_BOOLEAN || t == PV_BYTE || t == PV_LONG || t == PV_FLOAT ||
             t == PV_ADDRESS) {
    type = t;
  }
}

namespace {

// Resizes a String's or an object's bytes; new bytes are zero. False, with
// host error 8, when the size is refused or cannot be had.
template <typename Resize>
bool ResizeBytes(zlong n, Resize resize) {
  if (n > g_maxBytes) {
    zorl::RaiseNoMemory(n);
    return false;
  }
  try {
    resize(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc& e) {
    zorl::RaiseNoMemory(n, e);
    return false;
  }
  return true;
}

}  // namespace

void Variable::SetLen(zlong n) {
  Variable* v = GetPointer();
  if (ObjectStore* o = AsObject(v)) {
    // A length refused leaves the object without data.
    if (n >= 0 && ResizeBytes(n, [o](std::size_t k) { o->ResizeBytes(k); }))
      o->hasData = true;
    else
      o->DropBytes();
  } else if (v->type == PV_STRING) {
    auto* s = static_cast<StringStore*>(v->val.store);
    ResizeBytes(n < 0 ? 0 : n, [s](std::size_t k) { s->bytes.resize(k); });
  }
}

void Variable::_Clear() {
  switch (type) {
    case PV_DOUBLE:
      delete val.d;
      break;
    case PV_STRING:
    case PV_VECTOR:
    case PV_OBJECT:
      delete val.store;
      break;
    default:
      break;
  }
  type = PV_EMPTY;
  val.a = 0;
}
