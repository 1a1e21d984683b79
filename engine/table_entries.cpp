// The warnings about table entries that don't fit a byte, and Vectors of
// lengths that leave the table other than given.
//
//   LUT1([1, 300])       LUT1: 2 entries, fewer than 256: entries 2 to 255
//                        are 0; element 1 is 300, not a whole number 0 to
//                        255; the table keeps its low byte 44
//   t.SetItem(0, 2.5)    LUT1::SetItem: 2.5 is not a whole number 0 to 255;
//                        it becomes 2
#include "engine/table_entries.h"

#include <cmath>
#include <cstring>

#include "engine/store.h"
#include "engine/values.h"

namespace zorl {

// The lengths a table takes. Only LUT1 makes up or drops entries; the
// others are as long as their Vectors, and a pixel beyond them is an error
// when it is converted.
enum Need {
  kLut1,      // 256: entries missing are 0, more are not read
  kAsGiven,   // LUT2: any length
  kChannels,  // LUT3: red, green and blue of one length n; gray of 3n
  kSums,      // LUTC3: every Vector of one length
};

struct EntryRow {
  const char* signature;
  const char* call;  // how the warning names the call
  int vectors;       // parameters 0 to vectors - 1 are Vectors of entries
  int value;         // the parameter that is one entry, or -1
  Need need;
};

namespace {

const EntryRow kRows[] = {
    {"LUT1::LUT1(object Vector)", "LUT1", 1, -1, kLut1},
    {"LUT2::LUT2(object Vector, int)", "LUT2", 1, -1, kAsGiven},
    {"LUT3::LUT3(object Vector, object Vector, object Vector)", "LUT3", 3, -1,
     kChannels},
    {"LUT3::LUT3(object Vector, object Vector, object Vector, object Vector)",
     "LUT3", 4, -1, kChannels},
    {"LUTC3::LUTC3(object Vector, object Vector, object Vector)", "LUTC3", 3,
     -1, kSums},
    {"LUTC3::LUTC3(object Vector, object Vector, object Vector, object "
     "Vector)",
     "LUTC3", 4, -1, kSums},
    {"LUT1::SetItem(int, char)", "LUT1::SetItem", 0, 1, kAsGiven},
    {"LUT2::SetItem(int, char)", "LUT2::SetItem", 0, 1, kAsGiven},
    {"LUT3::SetItem(int, int, char)", "LUT3::SetItem", 0, 2, kAsGiven},
    {"LUTC3::SetItem(int, int, char)", "LUTC3::SetItem", 0, 2, kAsGiven},
};

// A kind with its article: "a String", "an empty".
std::string AKind(const Variable& v) {
  std::string name = TypeName(v);
  bool vowel = !name.empty() &&
               std::string("aeiouAEIOU").find(name[0]) != std::string::npos;
  return (vowel ? "an " : "a ") + name;
}

bool IsNumber(const Variable& v) {
  return v.type == PV_BOOLEAN || v.type == PV_BYTE || v.type == PV_LONG ||
         v.type == PV_FLOAT || v.type == PV_DOUBLE;
}

bool IsWhole(const Variable& v) {
  if (v.type == PV_BYTE || v.type == PV_LONG) return true;
  if (v.type != PV_FLOAT && v.type != PV_DOUBLE) return false;
  double d = v.GetDoubleNumb();
  return d == std::floor(d) && d >= -2147483648.0 && d <= 2147483647.0;
}

bool Fits(const Variable& v) {
  if (v.type == PV_BOOLEAN || !IsWhole(v)) return false;
  double d = v.GetDoubleNumb();
  return d >= 0 && d <= 255;
}

// The value as the warning shows it: numbers and booleans as print does,
// anything larger by its kind.
std::string Shown(const Variable& v) {
  return IsNumber(v) ? Describe(v) : AKind(v);
}

// The byte the module makes of v: a number's whole part, its low byte; 0
// for what is no number (the module raises error 2 for it).
std::string Kept(const Variable& v) {
  std::string byte = std::to_string(IsNumber(v) ? v.GetCharNumb() : 0);
  return IsWhole(v) ? "its low byte " + byte : byte;
}

// The entries of a Vector parameter; none for any other value.
const std::vector<Variable>* Entries(const Variable& v) {
  return v.type == PV_VECTOR
             ? &static_cast<const VectorStore*>(v.val.store)->elems
             : nullptr;
}

// What the lengths n[0..vectors-1] of the Vectors leave of the table, and
// the entries each Vector gives; false when the module refuses them (its
// error 3 says only that).
bool Lengths(const EntryRow& row, const zlong* n, zlong* used,
             std::string* problem) {
  zlong first = n[0];
  bool gray = row.need == kChannels && row.vectors == 4;
  std::string counts = "Vectors of " + std::to_string(first);
  bool agree = true;
  for (int k = 1; k < row.vectors; ++k) {
    agree = agree && n[k] == (gray && k == 3 ? 3 * first : first);
    counts += (k + 1 == row.vectors ? " and " : ", ") + std::to_string(n[k]);
  }
  if (!agree) {
    *problem = counts + (gray ? " entries, not n, n, n and 3n: no table"
                              : " entries, not one length: no table");
    return false;
  }
  for (int k = 0; k < row.vectors; ++k) used[k] = n[k];
  std::string count = std::to_string(first);
  if (first == 0)
    *problem = row.need == kLut1
                   ? "no entries: the table is 256 zeros"
                   : "no entries: every pixel is outside the table";
  else if (row.need == kLut1 && first < 256)
    *problem = count + (first == 1 ? " entry" : " entries") +
               ", fewer than 256: entries " + count + " to 255 are 0";
  else if (row.need == kLut1 && first > 256)
    *problem = count +
               " entries, more than 256: entries from 256 on are not "
               "used";
  if (row.need == kLut1 && first > 256) used[0] = 256;
  return true;
}

}  // namespace

const EntryRow* FindEntryRow(const std::string& signature) {
  for (const EntryRow& row : kRows)
    if (signature == row.signature) return &row;
  return nullptr;
}

bool HoldsEntries(const EntryRow& row, std::size_t i) {
  return static_cast<int>(i) < row.vectors || static_cast<int>(i) == row.value;
}

std::string EntryWarning(const EntryRow& row,
                         const std::vector<Variable*>& args) {
  std::string call = std::string(row.call) + ": ";
  if (row.value >= 0) {
    const Variable& v =
        *args[static_cast<std::size_t>(row.value)]->GetPointer();
    if (Fits(v)) return "";
    return call + Shown(v) + " is not a whole number 0 to 255; it becomes " +
           Kept(v);
  }
  std::string text;
  const std::vector<Variable>* vec[4] = {};
  zlong n[4] = {}, used[4] = {};
  for (int k = 0; k < row.vectors; ++k) {
    const Variable& v = *args[static_cast<std::size_t>(k)]->GetPointer();
    vec[k] = Entries(v);
    n[k] = vec[k] ? static_cast<zlong>(vec[k]->size()) : 0;
    if (!vec[k] && text.empty())
      text = "argument " + std::to_string(k + 1) + " is " + AKind(v) +
             ", not a Vector";
  }
  std::string lengths;
  bool built = Lengths(row, n, used, &lengths);
  if (!lengths.empty()) text += (text.empty() ? "" : "; ") + lengths;
  if (!built) return call + text;
  for (int k = 0; k < row.vectors; ++k) {
    for (zlong i = 0; i < used[k]; ++i) {
      const Variable& e = (*vec[k])[static_cast<std::size_t>(i)];
      if (Fits(e)) continue;
      std::string which = "element " + std::to_string(i);
      if (row.vectors > 1) which += " of argument " + std::to_string(k + 1);
      text += (text.empty() ? "" : "; ") + which + " is " + Shown(e) +
              ", not a whole number 0 to 255; the table keeps " + Kept(e);
      return call + text;
    }
  }
  return text.empty() ? "" : call + text;
}

}  // namespace zorl
