// The text layer of the PDF files the print jobs write, made to read back as the Thai printed.
//
// Qt shapes Thai through HarfBuzz and writes, for each font, a ToUnicode map built from the font's
// own character map. Three things then come out wrong when a reader extracts or searches the text:
//
// - A tone mark or upper vowel the shaper lowered or shifted is drawn with a variant glyph that
//   the Thai faces map in the private-use area (U+F700-U+F71A, the convention every Thai face
//   follows), so "่" reads back as U+F70A. The map is mended to the character the variant draws.
// - SARA AM is drawn as NIKHAHIT and SARA AA, NIKHAHIT moved before a tone mark ("น้ำ" is drawn
//   น ํ ้ า), and a tone mark may be drawn before a vowel below; no map of single glyphs reads
//   those back as typed.
// - A reader that lays text out by position puts a mark after the next letter.
//
// So each word drawn with a Thai mark is wrapped in a marked span whose /ActualText is the word
// as typed: SARA AM whole after its tone mark, marks in canonical order.
//
// The file is what Qt's PDF engine writes: one classic cross-reference table, each page's content
// a Flate stream with one glyph a line ("dx dy Td <gggg> Tj") between BT and ET, fonts Type0 with
// an uncompressed ToUnicode CMap. Anything else is refused and the file is left as it was. The
// rewrite goes object by object, so memory is bounded by the largest object, not the file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace core::pdf {

// Reads `length` bytes at `offset` into `out`; false when they are not there.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t length, std::string* out)>;

// The mended file written through `write`, read through `read` from a file of `size` bytes. An
// empty string on success, else what was wrong with the file (nothing useful was written then).
std::string mendThaiText(std::uint64_t size, const ReadAt& read, const std::function<void(std::string_view)>& write);

// The same on a file in place (through a temporary file beside it, renamed over it). Empty on
// success; on failure the file is as it was.
std::string mendThaiTextFile(const std::string& path);

// The character a Thai private-use variant glyph draws (U+F700-U+F71A), else `c` itself.
char16_t thaiVariantBase(char16_t c);

}  // namespace core::pdf
