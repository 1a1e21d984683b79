// The display facts as the decoder's fields and bytes (display_fields.cpp).
#ifndef ZORL_IMAGES_DISPLAY_FIELDS_H
#define ZORL_IMAGES_DISPLAY_FIELDS_H

#include <string>

#include "images/decoder_protocol.h"
#include "images/display_facts.h"

namespace zorl {

// The facts as fields, and the tables' data appended to *bytes.
void PutDisplayFacts(const DisplayFacts& facts, Fields* fields,
                     std::string* bytes);
// Back from the fields and the tables' bytes; false when the bytes are
// fewer than the fields say.
bool TakeDisplayFacts(const Fields& fields, const std::string& bytes,
                      DisplayFacts* facts);
// The number of tables' bytes that the fields announce.
std::size_t DisplayBytes(const Fields& fields);

}  // namespace zorl

#endif
