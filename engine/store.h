// Engine storage behind a value: String bytes, Vector elements and objects.
#ifndef ZORL_ENGINE_STORE_H
#define ZORL_ENGINE_STORE_H

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/budget.h"
#include "host/processor.h"
#include "host/variable.h"

namespace zorl {
class ClassInfo;
}

namespace zorl {

// Byte lengths (of a String, an object's data, a Buffer, an image) and
// element counts (of a Vector, counted over every level of its nesting)
// above these are refused with host error 8: 1 GiB and 2^26 elements unless
// an embedder lowered them (SetAllocationLimits).
zlong MaxBytes();
zlong MaxElements();
// Vectors nest at most this deep, so that copying, printing or releasing one
// never runs out of stack.
constexpr int kMaxNesting = 1000;

// Whether a new Vector of `copies` times these elements stays within the
// limits; when it would not, raises host error 8 naming `what` and gives
// false.
// Each element, at every level, counts extraBytes more (a String that an
// operator joins to every element).
bool CheckVectorSize(const char* what, const std::vector<Variable>& elems,
                     long long copies, long long extraBytes = 0);

}  // namespace zorl

struct VarStore {
  virtual ~VarStore() = default;
  virtual VarStore* Clone() const = 0;
};

// The bytes of a String. Bytes that a String gains read as zero: large
// blocks are fresh pages from the system, which come zeroed, so that making
// a large String costs no pass over its memory before it is written.
// data() is never null, even for an empty String, and data()[size()] is 0.
// A block is charged to the memory budget while it is held.
class ZeroedBytes {
 public:
  ZeroedBytes() = default;
  ZeroedBytes(const char* bytes, std::size_t n);  // a copy of n bytes
  explicit ZeroedBytes(const std::string& s)
      : ZeroedBytes(s.data(), s.size()) {}
  ZeroedBytes(const ZeroedBytes& o) : ZeroedBytes(o.data(), o.size()) {}
  ZeroedBytes& operator=(const ZeroedBytes& o);
  ZeroedBytes(ZeroedBytes&& o) noexcept { swap(o); }
  ZeroedBytes& operator=(ZeroedBytes&& o) noexcept {
    swap(o);
    return *this;
  }
  ~ZeroedBytes();

  char* data() { return p_; }
  const char* data() const { return p_; }
  std::size_t size() const { return n_; }
  char& operator[](std::size_t i) { return p_[i]; }
  const char& operator[](std::size_t i) const { return p_[i]; }
  std::string str() const { return std::string(p_, n_); }

  // Takes over a mapping (mmap) of n bytes and a zero after them, such as
  // a shared-memory file that another process filled: held without a copy
  // and unmapped when released.
  static ZeroedBytes AdoptMapping(char* p, std::size_t n);

  // n bytes that fill writes in full (given the block, it gives false when
  // it could not, and nothing is kept): a reused block is not cleared first.
  template <class Fill>
  static ZeroedBytes Filled(std::size_t n, Fill fill) {
    ZeroedBytes b;
    if (n == 0) return b;
    b.Uncleared(n);
    if (!fill(b.p_)) return ZeroedBytes();
    return b;
  }

  // Lends n bytes of an embedder's memory (a Python array's), read and
  // written in place; lender keeps that memory alive and is dropped when
  // the String lets the bytes go. Borrowed bytes have no 0 after them, are
  // not charged to the budget (no value of the engine's holds them), and
  // any change of length first copies them into a block of the engine's,
  // so the lender's memory is never written past its end.
  static ZeroedBytes Borrow(char* p, std::size_t n,
                            std::shared_ptr<void> lender);

  // n bytes: the first min(n, size()) kept, the rest zero. Throws
  // std::bad_alloc (zorl::OverBudget when the budget refuses it) when the
  // memory cannot be had, leaving the bytes as they were.
  void resize(std::size_t n);

 private:
  void swap(ZeroedBytes& o) noexcept;
  void Uncleared(std::size_t n);  // an empty String's block of n bytes

  char* p_ = Empty();
  std::size_t n_ = 0;
  std::size_t cap_ = 0;  // 0: p_ is the shared empty byte
  bool mapped_ = false;  // p_ is a mapping of cap_ + 1 bytes taken over
  std::shared_ptr<void> lender_;  // set: p_ is n_ borrowed bytes
  void ReleaseBlock();
  static char* Empty();
};

// Each store charges the memory budget for itself and what it holds (its
// charge comes first, so that it is made before what it counts); making
// or copying one throws zorl::OverBudget when the budget refuses it.
struct StringStore final : VarStore {
  StringStore() = default;
  StringStore(const StringStore& o) : bytes(o.bytes) {}
  VarStore* Clone() const override { return new StringStore(*this); }
  zorl::Charge charge{zorl::kStoreBytes};
  ZeroedBytes bytes;
};

struct VectorStore final : VarStore {
  VectorStore() = default;
  explicit VectorStore(std::size_t n)  // n empty elements
      : charge(Cost(n)), elems(n) {}
  explicit VectorStore(std::vector<Variable>&& e)
      : charge(Cost(e.capacity())), elems(std::move(e)) {}
  VectorStore(const VectorStore& o)
      : charge(Cost(o.elems.size())), elems(o.elems) {}
  VarStore* Clone() const override { return new VectorStore(*this); }
  // Room for n elements, charged before the Vector grows, by doubling.
  void Reserve(std::size_t n);

  zorl::Charge charge{zorl::kStoreBytes};
  std::vector<Variable> elems;

 private:
  static std::uint64_t Cost(std::size_t n) {
    return zorl::kStoreBytes + zorl::kElementBytes * n;
  }
};

// An object: its class, its own bytes (none until a length is set), its
// named members (sorted by name) and, for host classes that need one, a
// native block of memory that copies of the object share (charged by the
// block itself).
struct ObjectStore final : VarStore, Object {
  ObjectStore() = default;
  ObjectStore(const ObjectStore& o);
  VarStore* Clone() const override { return new ObjectStore(*this); }
  // The member of that name, added (empty) when there is none.
  Variable& Member(const std::string& name);
  // n bytes of data, the new ones zero; throws std::bad_alloc, leaving the
  // bytes as they were. Drop leaves the object without data.
  void ResizeBytes(std::size_t n);
  void DropBytes();

  zorl::Charge charge{zorl::kStoreBytes};
  std::shared_ptr<zorl::ClassInfo> cls;
  bool hasData = false;
  std::string bytes;
  std::map<std::string, Variable> members;
  std::shared_ptr<std::vector<char>> native;
  // What the host keeps with an object and scripts never see (an Image's
  // file and display tables); copies share it.
  std::shared_ptr<const void> host;
};

inline ObjectStore* AsObject(Variable* v) {
  return v->type == PV_OBJECT ? static_cast<ObjectStore*>(v->val.store)
                              : nullptr;
}
inline const ObjectStore* AsObject(const Variable* v) {
  return v->type == PV_OBJECT ? static_cast<const ObjectStore*>(v->val.store)
                              : nullptr;
}

namespace zorl {

// A String that takes over bytes, without copying them.
Variable TakeString(ZeroedBytes&& bytes);

}  // namespace zorl

#endif
