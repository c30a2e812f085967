// The scramble stored in the users table's PASS_W field, and its inverse.
//
// For a text of n bytes and 0-based position i: scramble gives byte i = (in[i] XOR (n mod 256))
// rotated left by (i mod 8) bits; unscramble rotates right and then XORs. Both keep the length.
// Stored files depend on these exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace core::password {

std::string scramble(std::string_view text);
std::string unscramble(std::string_view text);
// What PASS_W holds for a typed password: upper case, cut or padded with blanks to 6, scrambled.
std::string stored(std::string_view typed);

}  // namespace core::password
