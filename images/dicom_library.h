// The DICOM library kept quiet: its messages go to a stream of ours, read
// for the warnings that matter, never straight to standard error.
#ifndef ZORL_IMAGES_DICOM_LIBRARY_H
#define ZORL_IMAGES_DICOM_LIBRARY_H

#include <sstream>

namespace zorl {

// The codecs inside the library write their complaints (and notes on
// retries that succeed) straight to standard error; we report our own, so
// that stream is shut while the library runs.
class StderrShut {
 public:
  StderrShut();
  ~StderrShut();
  StderrShut(const StderrShut&) = delete;
  StderrShut& operator=(const StderrShut&) = delete;

 private:
  int saved_;
};

// The library's warnings: its reader forgives pixel data cut short (the
// missing bytes read as zeros) and says so only there.
std::ostringstream& Warnings();

}  // namespace zorl

#endif
