// Any bytes as a configuration file: reading never fails, and a value written is read back.
#include <cstdint>
#include <string>

#include "core/ini_file.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::IniText text(bytes);
    for (const char* section : {"Comm", "Data", "", "x"})
        for (const char* key : {"Port#1", "Name", "", "="})
            (void)text.get(section, key);

    // Take a section and key name from the input itself, so odd names are tried too.
    const std::size_t cut = size / 3;
    std::string section(bytes.substr(0, cut).substr(0, 8));
    std::string key(bytes.substr(cut).substr(0, 8));
    for (char& c : section)
        if (c == '\n' || c == '\r' || c == ']' || c == '[')
            c = 'S';
    for (char& c : key)
        if (c == '\n' || c == '\r' || c == '=' || c == '[' || c == ';' || c == ' ' || c == '\t' || c == '"' || c == '\'')
            c = 'K';
    if (key.empty())
        key = "K";
    // Section names are matched trimmed, so trim the way the reader does.
    while (!section.empty() && (section.front() == ' ' || section.front() == '\t'))
        section.erase(section.begin());
    while (!section.empty() && (section.back() == ' ' || section.back() == '\t'))
        section.pop_back();
    text.set(section, key, "value 1");
    fuzz::check(core::IniText(text.bytes()).get(section, key) == std::string("value 1"));
    return 0;
}
