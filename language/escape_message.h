// Message text safe to show: every byte outside printable ASCII as \xNN.
#ifndef ZORL_LANGUAGE_ESCAPE_MESSAGE_H
#define ZORL_LANGUAGE_ESCAPE_MESSAGE_H

#include <string>

#include "host/platform.h"

namespace zorl {

// The text with each byte outside 0x20 to 0x7e written as \xNN (two lower
// case hex digits), so that a message never carries control bytes, a NUL
// or a broken character to a terminal or a log.
ZORL_API std::string EscapeForMessage(const std::string& text);

}  // namespace zorl

#endif
