// Host values: `Variable`, the engine's dynamically typed value.
//
// A value is a 16-bit type word and a payload. Numbers live in the payload
// (a double in storage of its own); Strings, Vectors and objects live in
// engine storage that the value owns. A reference designates another value.
// Assigning one value to another copies it whole (Strings, Vectors and
// objects included); references are made by the engine only.
#ifndef ZORL_HOST_VARIABLE_H
#define ZORL_HOST_VARIABLE_H

#include <cstdint>

#include "host/platform.h"

// Type codes of the type word.
typedef unsigned short PVARTYPE;
enum : PVARTYPE {
  PV_EMPTY = 0,
  PV_BOOLEAN = 1,
  PV_BYTE = 4,
  PV_LONG = 8,
  PV_FLOAT = 16,
  PV_DOUBLE = 32,
  PV_ADDRESS = 64,  // a pointer-sized memory address, made by the host only
  PV_STRING = 512,
  PV_VECTOR = 1024,
  PV_OBJECT = 2048,
  PV_REFERENCE = 0x4000,
};

class Object;
struct VarStore;  // engine storage of a String, a Vector or an object

class ZORL_API Variable {
 public:
  Variable();
  explicit Variable(double d);
  Variable(const Variable& other);
  Variable(Variable&& other) noexcept;
  ~Variable();
  Variable& operator=(const Variable& other);  // the host's value assignment
  Variable& operator=(Variable&& other) noexcept;

  // Assignment of numbers. A char gives a long holding its signed value, an
  // unsigned char a byte, an int or unsigned int (the host's long and
  // unsigned long) a long with that 32-bit pattern.
  Variable& operator=(char c);
  Variable& operator=(signed char c);
  Variable& operator=(unsigned char b);
  Variable& operator=(int l);
  Variable& operator=(unsigned int ul);
  Variable& operator=(float f);
  Variable& operator=(double d);
  void SetBoolean(bool b);

  PVARTYPE GetType() const { return type; }

  // Reading numbers. A float or double converts to long by truncation,
  // saturating at the 32-bit limits (NaN reads 0); a boolean reads as its
  // payload. A value that is not a number raises host error 2 and reads 0.
  zlong GetLongNumb() const;
  unsigned char GetCharNumb() const;  // the low 8 bits of GetLongNumb
  float GetFloatNumb() const;
  double GetDoubleNumb() const;
  explicit operator char() const;  // the low 8 bits of GetLongNumb
  // The boolean accessor: a boolean gives its payload, nonzero meaning true;
  // any other value raises host error 73 and reads as false.
  bool GetBoolean() const;
  // A memory address (PV_ADDRESS), or a long taken as one; else 0.
  std::uintptr_t GetAddress() const;

  // Bytes of a String or an object; null and 0 for every other value.
  char* GetData();
  zlong GetLen() const;
  // Elements of a Vector; 0 for every other value.
  zlong GetCount() const;
  char GetByte(zlong i) const;    // byte i of the data; 0 outside it
  void PutByte(zlong i, char b);  // ignored outside the data
  Variable* GetPointer();         // the target of a reference, else this
  Variable& operator()(const char* name);  // a named member of an object
  Variable& operator[](zlong i);           // element i of a Vector
  unsigned short GetClassID() const;       // name id of an object's class
  Object* GetObject();                     // null unless an object

  // Re-initialise as a zero-filled String (512) of n bytes or Vector (1024)
  // of n elements; any other type code gives that type's zero value.
  void Init(PVARTYPE t, zlong n);
  // Set the byte length of a String's or an object's data (zero-filling
  // what grows). A negative length leaves the value without data.
  void SetLen(zlong n);
  // Release what the value holds; it becomes empty.
  void _Clear();

  // The layout is part of the interface: the type word and the payload.
  PVARTYPE type;
  union Payload {
    std::uintptr_t a;  // first, so that zeroing it clears the whole payload
    zlong l;           // a long, or a boolean's payload
    unsigned char b;
    float f;
    double* d;  // a double lives in storage of its own (operator new)
    Variable* ref;
    VarStore* store;
  } val;
};

#endif
