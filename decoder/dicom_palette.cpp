// DICOM colour palettes, in the decoder process: the DICOM library parses
// the file; its red, green and blue descriptors and (plain or segmented)
// data become the palette, whose tables go back one after the other.
#include <gdcmReader.h>

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
           std::string* error) {
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
  if (descriptor.size() != 6)
    return Fail(error, std::string("a ") + kNames[k] + " descriptor of " +
                           std::to_string(descriptor.size()) +
                           " bytes; 6 expected");
  uint16_t values[3];
  std::memcpy(values, descriptor.data(), sizeof values);
  if (!DicomLutEntries(values, data, segmented, entries, error))
    return Fail(error, std::string(kNames[k]) + " palette: " + *error);
  return true;
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
  for (int k = 0; k < 3; ++k)
    if (!Table(ds, k, tables[k], error)) return false;
  if (palette->green.size() != palette->red.size() ||
      palette->blue.size() != palette->red.size())
    return Fail(error, "the red, green and blue tables differ in length");
  return true;
}

}  // namespace

void DecodePalette(const Fields&, int fd, Fields* reply, int* replyFd) {
  FileView file(fd);
  Palette palette;
  std::string error;
  if (!file.ok()) {
    reply->Set("error", "the decoder cannot map the file");
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
