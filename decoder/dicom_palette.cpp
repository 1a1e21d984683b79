// DICOM colour palettes, in the decoder process: the DICOM library parses
// the file; its red, green and blue descriptors and (plain or segmented)
// data become the palette, whose tables go back one after the other.
//
// The tables that go back are indexed by the pixel value, from 0: a
// palette whose first mapped value (the descriptor's second) is F gives
// value F its first entry. Values below F take the first entry and values
// past the last entry the last, as the common readers take them, so the
// tables of a PALETTE COLOR image cover every value its pixels can hold
// (256 for 8 bits allocated, signed bytes as stored; 65536 for 16, signed
// ones from -32768, which a LUT3's BaseLine of 32768 reaches), and a
// palette file without pixels covers 0 to its last mapped value.
#include <gdcmReader.h>

#include <algorithm>
#include <cstring>

#include "decoder/allocation.h"
#include "decoder/file_view.h"
#include "decoder/jobs.h"
#include "images/palette.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// The bytes of an element as the file holds them; false when absent.
bool ElementBytes(const gdcm::DataSet& ds, uint16_t element, std::string* out) {
  const gdcm::Tag tag(0x0028, element);
  if (!ds.FindDataElement(tag)) return false;
  const gdcm::ByteValue* bv = ds.GetDataElement(tag).GetByteValue();
  out->clear();
  if (bv) out->assign(bv->GetPointer(), static_cast<uint32_t>(bv->GetLength()));
  return true;
}

bool Table(const gdcm::DataSet& ds, int k, std::vector<uint8_t>* entries,
           uint16_t* firstMapped, std::string* error) {
  static const char* const kNames[3] = {"red", "green", "blue"};
  const uint16_t element = static_cast<uint16_t>(k);
  std::string descriptor, data;
  if (!ElementBytes(ds, 0x1101 + element, &descriptor))
    return Fail(error, std::string("no ") + kNames[k] +
                           " palette descriptor (0028,110" +
                           std::to_string(1 + k) + "): not a colour palette");
  bool segmented = false;
  if (!ElementBytes(ds, 0x1201 + element, &data)) {
    segmented = ElementBytes(ds, 0x1221 + element, &data);
    if (!segmented)
      return Fail(error, std::string("no ") + kNames[k] + " palette data");
  }
  const std::string tag = "(0028,110" + std::to_string(1 + k) + ")";
  if (descriptor.size() != 6)
    return Fail(error, std::string("a ") + kNames[k] + " descriptor " + tag +
                           " of " + std::to_string(descriptor.size()) +
                           " bytes; 6 expected");
  uint16_t values[3];
  std::memcpy(values, descriptor.data(), sizeof values);
  *firstMapped = values[1];
  if (!DicomLutEntries(values, data, segmented, entries, error))
    return Fail(error, std::string(kNames[k]) + " palette (descriptor " + tag +
                           "): " + *error);
  return true;
}

// The values a PALETTE COLOR image's pixels can hold, from `low`; false
// for a file without such pixels.
bool PixelValues(const gdcm::DataSet& ds, long* low, long* count,
                 bool* signedBytes) {
  std::string model, allocated, representation;
  if (!ds.FindDataElement(gdcm::Tag(0x7FE0, 0x0010)) ||
      !ElementBytes(ds, 0x0004, &model) ||
      model.compare(0, 13, "PALETTE COLOR") != 0)
    return false;
  uint16_t bits = 8, sign = 0;
  if (ElementBytes(ds, 0x0100, &allocated) && allocated.size() == 2)
    std::memcpy(&bits, allocated.data(), 2);
  if (ElementBytes(ds, 0x0103, &representation) && representation.size() == 2)
    std::memcpy(&sign, representation.data(), 2);
  *count = bits > 8 ? 65536 : 256;
  *low = sign == 1 && bits > 8 ? -32768 : 0;
  *signedBytes = sign == 1 && bits <= 8;
  return true;
}

// A table as the pixel values index it: value v (from `low`, `count` of
// them; signed bytes are indexed as stored, -1 at 255) takes entry v -
// first, or the nearest end.
void Reindex(long first, long low, long count, bool signedBytes,
             std::vector<uint8_t>* t) {
  const std::vector<uint8_t> entries = std::move(*t);
  const long last = static_cast<long>(entries.size()) - 1;
  t->resize(static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i) {
    const long v = signedBytes ? static_cast<int8_t>(i) : low + i;
    long at = std::min(std::max(v - first, 0L), last);
    (*t)[static_cast<std::size_t>(i)] = entries[static_cast<std::size_t>(at)];
  }
}

bool Parse(const FileView& file, Palette* palette, std::string* error) {
  SetAllocationCap(
      ParseCap(file.size(), LooksDeflated(file.data(), file.size())));
  MemoryStream in(file.data(), file.size());
  gdcm::Reader reader;
  reader.SetStream(in);
  if (!reader.Read())
    return Fail(error,
                "not a DICOM file, or a truncated or malformed one (its data "
                "elements cannot be parsed)");
  // The library gives numbers of a big-endian file in the machine's order.
  const gdcm::DataSet& ds = reader.GetFile().GetDataSet();
  std::vector<uint8_t>* tables[3] = {&palette->red, &palette->green,
                                     &palette->blue};
  uint16_t first[3];
  for (int k = 0; k < 3; ++k)
    if (!Table(ds, k, tables[k], &first[k], error)) return false;
  if (palette->green.size() != palette->red.size() ||
      palette->blue.size() != palette->red.size())
    return Fail(error, "the red, green and blue tables differ in length");
  if (first[1] != first[0] || first[2] != first[0])
    return Fail(error,
                "the red, green and blue descriptors (0028,1101-1103) give "
                "first mapped values " +
                    std::to_string(first[0]) + ", " + std::to_string(first[1]) +
                    " and " + std::to_string(first[2]));
  long low = 0, count = 0;
  long firstValue = first[0];
  bool signedBytes = false;
  if (PixelValues(ds, &low, &count, &signedBytes)) {
    if (low < 0 || signedBytes) firstValue = static_cast<int16_t>(first[0]);
  } else {
    count = std::min(firstValue + static_cast<long>(palette->red.size()),
                     kMostPaletteEntries);
  }
  if (firstValue != 0 || signedBytes ||
      static_cast<long>(palette->red.size()) != count)
    for (auto* t : tables) Reindex(firstValue, low, count, signedBytes, t);
  return true;
}

}  // namespace

void DecodePalette(const Fields&, int fd, Fields* reply, int* replyFd) {
  FileView file(fd);
  Palette palette;
  std::string error;
  if (!file.ok()) {
    reply->Set("error", "the decoder cannot read the file");
    return;
  }
  if (!Parse(file, &palette, &error)) {
    reply->Set("error", error);
    return;
  }
  std::string tables;
  for (const auto* t : {&palette.red, &palette.green, &palette.blue})
    tables.append(t->begin(), t->end());
  if (!ReplyBytes(tables.data(), tables.size(), reply, replyFd))
    throw std::bad_alloc();
  reply->Set("entries", static_cast<long long>(palette.red.size()));
}

}  // namespace zorl
