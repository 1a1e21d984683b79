// The DICOM library's messages, gathered in a stream of ours.
#include "images/dicom_library.h"

#include <fcntl.h>
#include <gdcmTrace.h>
#include <unistd.h>

#include <cstdio>

namespace zorl {

StderrShut::StderrShut() {
  std::fflush(stderr);
  saved_ = dup(2);
  int null = open("/dev/null", O_WRONLY);
  if (saved_ >= 0 && null >= 0) dup2(null, 2);
  if (null >= 0) close(null);
}

StderrShut::~StderrShut() {
  std::fflush(stderr);
  if (saved_ < 0) return;
  dup2(saved_, 2);
  close(saved_);
}

std::ostringstream& Warnings() {
  static std::ostringstream* const warnings = [] {
    auto* w = new std::ostringstream;  // lives as long as the library
    gdcm::Trace::SetWarningStream(*w);
    gdcm::Trace::SetErrorStream(*w);
    gdcm::Trace::SetDebugStream(*w);
    gdcm::Trace::WarningOn();
    gdcm::Trace::ErrorOn();
    gdcm::Trace::DebugOff();
    return w;
  }();
  return *warnings;
}

}  // namespace zorl
