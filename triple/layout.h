// The table bytes of the three-channel classes, and views of them.
//
// A LUT3 of channel length n holds 6n bytes: red, green and blue tables of n
// entries each, then a gray table of 3n entries indexed by the sum index
// r + g + b. A LUTC3 of entry count m holds 4m bytes: red, green, blue and
// gray tables of m entries each, all indexed by the sum index; an entry whose
// gray byte is 0 is a colour entry, any other a gray entry. Sizes are derived
// from the byte length every time (n = length / 6, m = length / 4); bytes
// beyond 6n or 4m are never touched.
//
// Every three-channel handler reaches the tables through these views, made
// once per call; none computes an offset of its own.
#ifndef LUT_TRIPLE_LAYOUT_H
#define LUT_TRIPLE_LAYOUT_H

#include "host/zorl.h"

// A LUT3's tables. Without data every pointer is null and n is 0.
struct Lut3View {
  zlong n;  // channel length
  unsigned char* red;
  unsigned char* green;
  unsigned char* blue;
  unsigned char* gray;  // 3n entries

  bool HasData() const { return red != nullptr; }
  zlong Bytes() const { return 6 * n; }
  zlong GrayCount() const { return 3 * n; }
};

// A LUTC3's tables. Without data every pointer is null and m is 0.
struct Lutc3View {
  zlong m;  // entry count
  unsigned char* red;
  unsigned char* green;
  unsigned char* blue;
  unsigned char* gray;  // 0: a colour entry; else the entry's gray level

  bool HasData() const { return red != nullptr; }
  zlong Bytes() const { return 4 * m; }
};

// One of the four tables of a view (table number 0 to 3: red, green, blue,
// gray): its first entry and its entry count.
struct TableSpan {
  unsigned char* first;
  zlong count;
};

// Views of a table object's bytes as they are now.
Lut3View Lut3Of(Variable* table);
Lutc3View Lutc3Of(Variable* table);

// Gives a table object a new table of n channel entries (6n bytes) or m
// entries (4m bytes) and returns its view; the caller fills every entry. A size
// that is negative or beyond the host's long is refused with host error 3; a
// size the host did not grant yields a view without data.
Lut3View Lut3Sized(Variable* table, long long n);
Lutc3View Lutc3Sized(Variable* table, long long m);

// Refuses a channel length or an entry count with host error 3, naming it.
void RefuseChannelLength(long long n);
void RefuseEntryCount(long long m);

// The default ramps. A LUT3 gray table rising from 0 at sum index 0 to 255
// at 3n - 1: gray[j] = j * 256 / 3n. A LUTC3 of gray entries rising from 0 at
// entry 0 to 255 at m - 1 (m > 1), colour bytes 0: the entries whose gray
// byte comes out 0 are black colour entries.
void FillGrayRamp(const Lut3View& t);
void FillGrayRamp(const Lutc3View& t);

// Table number k (0 to 3) of a view.
TableSpan TableOf(const Lut3View& t, zlong k);
TableSpan TableOf(const Lutc3View& t, zlong k);

// The byte offset of entry i of table k, counted over the whole table: k
// and i are not limited one by one, so entry n + 5 of table 0 of a LUT3 is
// green[5].
inline long long ItemOffset(const Lut3View& t, long long k, long long i) {
  return k * t.n + i;
}
inline long long ItemOffset(const Lutc3View& t, long long k, long long i) {
  return k * t.m + i;
}

// The sum index of a colour; a single value v has the sum index 3v.
inline long long SumIndex(long long r, long long g, long long b) {
  return r + g + b;
}

// A wide index or value as the host's long, saturated, so that in a text a
// huge index never reads as a small one.
zlong SaturatedLong(long long x);

// The signed offset added to an input value before it indexes a table.
zlong BaseLine(Variable* table);
void SetBaseLine(Variable* table, zlong value);
// Copies the member's value as it is (the conversions between the classes).
void CopyBaseLine(Variable* to, Variable* from);

// Makes the result slot's value (followed) a new object of class cls, built
// by its constructor without arguments, with the BaseLine of from; returns
// it. The caller sizes and fills it, and takes from's view again afterwards.
Variable* NewTableLike(VarRegister* result, Processor* proc, const char* cls,
                       Variable* from);

#endif
