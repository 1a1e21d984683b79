// Colour palettes: red, green and blue tables of 8-bit entries, parsed from
// and formatted to the bytes of palette files. Every parser works on bytes
// alone (the caller reads and writes the files and names them in errors).
#ifndef ZORL_IMAGES_PALETTE_H
#define ZORL_IMAGES_PALETTE_H

#include <cstdint>
#include <string>
#include <vector>

namespace zorl {

struct Palette {
  std::vector<uint8_t> red, green, blue;  // of one length
};

// The entries of an ImageJ .lut, a CSV or whitespace table of three columns.
const std::size_t kPaletteEntries = 256;
// The sizes a .cube or a DICOM palette may give.
const long kMostPaletteEntries = 65536;

// Parses a palette file other than DICOM by its name: an ImageJ .lut (768
// bytes, the same after a 32-byte header, or text of 3 or 4 columns), a 1D
// .cube, or a table of three columns of 0 to 255 (CSV or whitespace, any
// other name). On failure: false and what is wrong, "line N: ..." when a
// line is at fault.
bool ParsePalette(const std::string& name, const std::string& bytes,
                  Palette* palette, std::string* error);

// Parsers of the text forms (palette_text.cpp).
bool ParseTablePalette(const std::string& bytes, Palette* palette,
                       std::string* error);  // 3 or 4 columns, 256 rows
bool ParseCubePalette(const std::string& bytes, Palette* palette,
                      std::string* error);

// The entries of one table of a DICOM palette (palette_lut_data.cpp): its
// descriptor (entries, 0 meaning 65536; first value mapped; bits of an
// entry, 8 or 16) and its data as read, little endian; segmented data is
// expanded. Entries of 16 bits give their high byte.
bool DicomLutEntries(const uint16_t descriptor[3], const std::string& data,
                     bool segmented, std::vector<uint8_t>* entries,
                     std::string* error);

// A DICOM colour palette (a file that LooksLikeDicom or is named .dcm),
// through the DICOM library (palette_dicom.cpp).
bool ParseDicomPalette(const std::string& bytes, Palette* palette,
                       std::string* error);

// The bytes of a palette file of the name's extension: .lut (768 bytes, 256
// entries), .cube (LUT_1D_SIZE, 2 to 65536 entries) or .csv (256 rows).
bool FormatPalette(const std::string& name, const Palette& palette,
                   std::string* bytes, std::string* error);

}  // namespace zorl

#endif
