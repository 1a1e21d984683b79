// The display facts of a DICOM image, in the decoder process: windows, the
// VOI LUT Function, the Modality, VOI and Presentation LUT Sequences'
// tables as stored, the Presentation LUT Shape and the Pixel Padding Value.
// Nothing is judged here: display_table.cpp checks a table when a script
// asks for it, so that a damaged table refuses only its own display.
#include "images/display_facts.h"

#include <gdcmDataSet.h>
#include <gdcmSequenceOfItems.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "decoder/jobs.h"

namespace zorl {

namespace {

// An element's bytes as the library holds them (numbers in the machine's
// order); false when it is absent.
bool Bytes(const gdcm::DataSet& ds, uint16_t group, uint16_t element,
           std::string* out) {
  const gdcm::Tag tag(group, element);
  if (!ds.FindDataElement(tag)) return false;
  const gdcm::ByteValue* bv = ds.GetDataElement(tag).GetByteValue();
  out->clear();
  if (bv) out->assign(bv->GetPointer(), bv->GetLength());
  return true;
}

// At most this many windows, of explanations this long, travel (a message
// holds 64 KiB).
constexpr std::size_t kMostWindows = 256, kMostText = 64;

// A text element without its padding, cut at kMostText characters.
std::string Text(const gdcm::DataSet& ds, uint16_t group, uint16_t element) {
  std::string s;
  Bytes(ds, group, element, &s);
  s.erase(s.find_last_not_of(std::string(" \0", 2)) + 1);
  s.erase(0, s.find_first_not_of(' '));
  for (char& c : s)
    if (c == '\n' || c == '\r' || c == '\0') c = ' ';
  return s.substr(0, kMostText);
}

std::vector<std::string> Texts(const gdcm::DataSet& ds, uint16_t group,
                               uint16_t element) {
  std::string all;
  std::vector<std::string> out;
  if (!Bytes(ds, group, element, &all) || all.empty()) return out;
  std::size_t at = 0;
  while (out.size() < kMostWindows) {
    std::size_t end = all.find('\\', at);
    std::string one = all.substr(at, end == std::string::npos ? end : end - at);
    one.erase(one.find_last_not_of(std::string(" \0", 2)) + 1);
    one.erase(0, one.find_first_not_of(' '));
    for (char& c : one)
      if (c == '\n' || c == '\r' || c == '\0') c = ' ';
    out.push_back(one.substr(0, kMostText));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

// The tables of a sequence's items: Modality (0028,3000), VOI (0028,3010)
// or Presentation (2050,0010) LUT Sequence.
void Luts(const gdcm::DataSet& ds, uint16_t group, uint16_t element,
          const char* name, std::size_t most, std::vector<StoredLut>* out) {
  const gdcm::Tag tag(group, element);
  if (!ds.FindDataElement(tag)) return;
  gdcm::SmartPointer<gdcm::SequenceOfItems> sq;
  try {
    sq = ds.GetDataElement(tag).GetValueAsSQ();
  } catch (const std::exception&) {
    sq = nullptr;
  }
  if (!sq) {  // a table that is there and can't be read: DisplayTable says so
    char where[120];
    std::snprintf(where, sizeof where,
                  "%s (%04X,%04X), not a sequence of items,", name, group,
                  element);
    out->push_back(StoredLut{});
    out->back().element = where;
    return;
  }
  for (gdcm::SequenceOfItems::SizeType i = 1;
       i <= sq->GetNumberOfItems() && out->size() < most; ++i) {
    const gdcm::DataSet& item = sq->GetItem(i).GetNestedDataSet();
    StoredLut t;
    char where[120];
    std::snprintf(where, sizeof where, "%s (%04X,%04X) item %u", name, group,
                  element, static_cast<unsigned>(i));
    t.element = where;
    std::string d;
    const gdcm::Tag descriptor(0x0028, 0x3002);
    if (Bytes(item, 0x0028, 0x3002, &d)) {
      t.descriptorValues = static_cast<int>(d.size() / 2);
      std::memcpy(t.descriptor, d.data(), std::min<std::size_t>(d.size(), 6));
      t.descriptorSs = item.GetDataElement(descriptor).GetVR() == gdcm::VR::SS;
    }
    t.hasData = Bytes(item, 0x0028, 0x3006, &t.data);
    if (t.data.size() > kMostLutBytes) t.data.resize(kMostLutBytes);
    t.explanation = Text(item, 0x0028, 0x3003);
    out->push_back(std::move(t));
  }
}

}  // namespace

void CollectDisplayFacts(const gdcm::DataSet& ds, bool isSigned,
                         const std::vector<double>& centers,
                         const std::vector<double>& widths,
                         DisplayFacts* facts) {
  facts->windowCenters = centers;
  facts->windowWidths = widths;
  if (centers.size() > kMostWindows) facts->windowCenters.resize(kMostWindows);
  if (widths.size() > kMostWindows) facts->windowWidths.resize(kMostWindows);
  facts->windowExplanations = Texts(ds, 0x0028, 0x1055);
  facts->voiFunction = Text(ds, 0x0028, 0x1056);
  facts->presentationShape = Text(ds, 0x2050, 0x0020);
  Luts(ds, 0x0028, 0x3000, "Modality LUT Sequence", 1, &facts->modalityLuts);
  Luts(ds, 0x0028, 0x3010, "VOI LUT Sequence", kMostVoiLuts, &facts->voiLuts);
  Luts(ds, 0x2050, 0x0010, "Presentation LUT Sequence", 1,
       &facts->presentationLuts);
  std::string padding;
  if (Bytes(ds, 0x0028, 0x0120, &padding) && padding.size() >= 2) {
    uint16_t v;
    std::memcpy(&v, padding.data(), 2);
    facts->pixelPadding =
        isSigned ? static_cast<double>(static_cast<int16_t>(v)) : v;
  }
}

}  // namespace zorl
