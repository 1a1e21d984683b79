// The display facts as the decoder's fields: numbers and explanations as
// text (lists joined by backslashes, which DICOM texts never hold), each
// table's descriptor as it was stored and its data as bytes elsewhere.
#include "images/display_fields.h"

#include <cstdio>
#include <cstdlib>

namespace zorl {

namespace {

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i)
    out += (i ? "\\" : "") + parts[i];
  return out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (true) {
    std::size_t end = text.find('\\', at);
    out.push_back(text.substr(at, end - at));
    if (end == std::string::npos) return out;
    at = end + 1;
  }
}

std::string JoinNumbers(const std::vector<double>& values) {
  std::vector<std::string> parts;
  for (double v : values) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    parts.push_back(text);
  }
  return Join(parts);
}

std::vector<double> SplitNumbers(const std::string& text) {
  std::vector<double> out;
  if (text.empty()) return out;
  for (const std::string& part : Split(text))
    out.push_back(std::strtod(part.c_str(), nullptr));
  return out;
}

const char* const kKinds[3] = {"modality", "voi", "presentation"};

template <typename Facts>
auto& Kind(Facts& f, int k) {
  return k == 0 ? f.modalityLuts : k == 1 ? f.voiLuts : f.presentationLuts;
}

}  // namespace

void PutDisplayFacts(const DisplayFacts& facts, Fields* f, std::string* bytes) {
  if (!facts.windowCenters.empty())
    f->Set("window_centers", JoinNumbers(facts.windowCenters));
  if (!facts.windowWidths.empty())
    f->Set("window_widths", JoinNumbers(facts.windowWidths));
  if (!facts.windowExplanations.empty())
    f->Set("window_explanations", Join(facts.windowExplanations));
  f->Set("voi_function", facts.voiFunction);
  f->Set("presentation_shape", facts.presentationShape);
  f->Set("pixel_padding", facts.pixelPadding);
  for (int k = 0; k < 3; ++k) {
    const std::vector<StoredLut>& luts = Kind(facts, k);
    f->Set(std::string(kKinds[k]) + "_luts",
           static_cast<long long>(luts.size()));
    for (std::size_t i = 0; i < luts.size(); ++i) {
      const StoredLut& t = luts[i];
      std::string key = std::string(kKinds[k]) + std::to_string(i) + "_";
      f->Set(key + "element", t.element);
      f->Set(key + "descriptor", std::to_string(t.descriptorValues) + " " +
                                     std::to_string(t.descriptor[0]) + " " +
                                     std::to_string(t.descriptor[1]) + " " +
                                     std::to_string(t.descriptor[2]) + " " +
                                     std::to_string(t.descriptorSs ? 1 : 0));
      f->Set(key + "data",
             t.hasData ? static_cast<long long>(t.data.size()) : -1LL);
      f->Set(key + "explanation", t.explanation);
      bytes->append(t.data);
    }
  }
}

std::size_t DisplayBytes(const Fields& f) {
  std::size_t n = 0;
  for (int k = 0; k < 3; ++k) {
    long long count = f.Whole(std::string(kKinds[k]) + "_luts");
    for (long long i = 0; i < count && i < 1000; ++i) {
      long long d =
          f.Whole(std::string(kKinds[k]) + std::to_string(i) + "_data");
      if (d > 0) n += static_cast<std::size_t>(d);
    }
  }
  return n;
}

bool TakeDisplayFacts(const Fields& f, const std::string& bytes,
                      DisplayFacts* facts) {
  facts->windowCenters = SplitNumbers(f.Text("window_centers"));
  facts->windowWidths = SplitNumbers(f.Text("window_widths"));
  if (f.Has("window_explanations"))
    facts->windowExplanations = Split(f.Text("window_explanations"));
  facts->voiFunction = f.Text("voi_function");
  facts->presentationShape = f.Text("presentation_shape");
  facts->pixelPadding = f.Number("pixel_padding");
  std::size_t at = 0;
  for (int k = 0; k < 3; ++k) {
    long long count = f.Whole(std::string(kKinds[k]) + "_luts");
    std::vector<StoredLut>& luts = Kind(*facts, k);
    for (long long i = 0; i < count && i < 1000; ++i) {
      std::string key = std::string(kKinds[k]) + std::to_string(i) + "_";
      StoredLut t;
      t.element = f.Text(key + "element");
      unsigned values = 0, d[3] = {0, 0, 0}, ss = 0;
      std::sscanf(f.Text(key + "descriptor").c_str(), "%u %u %u %u %u", &values,
                  &d[0], &d[1], &d[2], &ss);
      t.descriptorValues = static_cast<int>(values);
      for (int j = 0; j < 3; ++j) t.descriptor[j] = static_cast<uint16_t>(d[j]);
      t.descriptorSs = ss != 0;
      long long n = f.Whole(key + "data");
      t.hasData = n >= 0;
      if (n > 0) {
        if (static_cast<std::size_t>(n) > bytes.size() - at) return false;
        t.data = bytes.substr(at, static_cast<std::size_t>(n));
        at += static_cast<std::size_t>(n);
      }
      t.explanation = f.Text(key + "explanation");
      luts.push_back(std::move(t));
    }
  }
  return true;
}

}  // namespace zorl
