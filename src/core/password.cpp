#include "core/password.h"

#include "core/xbase.h"

namespace core::password {
namespace {

unsigned char rotl(unsigned char b, unsigned n) { n &= 7; return (unsigned char)((b << n) | (b >> ((8 - n) & 7))); }
unsigned char rotr(unsigned char b, unsigned n) { n &= 7; return (unsigned char)((b >> n) | (b << ((8 - n) & 7))); }

}  // namespace

std::string scramble(std::string_view text)
{
    const unsigned char k = (unsigned char)(text.size() % 256);
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = char(rotl((unsigned char)text[i] ^ k, unsigned(i % 8)));
    return out;
}

std::string unscramble(std::string_view text)
{
    const unsigned char k = (unsigned char)(text.size() % 256);
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = char(rotr((unsigned char)text[i], unsigned(i % 8)) ^ k);
    return out;
}

std::string stored(std::string_view typed)
{
    return scramble(xbase::padRight(xbase::upper(typed), 6));
}

}  // namespace core::password
