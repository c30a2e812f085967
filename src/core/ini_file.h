// IniText and IniFile: a private-profile ("ini") file read and written key by key.
//
// Format: "[Section]" lines open sections; "Key=Value" lines belong to the section above them;
// every other line (comments, blank lines, anything unrecognised) is kept untouched. Section and
// key names match without regard to letter case and surrounding blanks; the first section of a
// name and its first key of a name count. Values are bytes (the program's files are TIS-620),
// trimmed of surrounding blanks and of one pair of enclosing quotes when read, and cut to 1023
// bytes as the platform's profile reader does.
//
// IniFile reads the file afresh at each call, so edits made by hand or by another process are
// seen; set() rewrites the file with only the one line changed (or added), keeping the other
// lines, their order and the file's line ends (CR LF for a new file). The new content goes to a
// temporary file beside the original that is renamed over it, so a crash never leaves half a file.
// A file that nobody may write (no write permission bit) is read-only: set() leaves it as it is
// and fails, though the folder would let the rename replace it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The parsed lines of an ini file, in memory.
class IniText {
public:
    static constexpr std::size_t kMaxValue = 1023;

    IniText() = default;
    explicit IniText(std::string_view bytes);

    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // Returns false when nothing had to change (the key already holds the value).
    bool set(std::string_view section, std::string_view key, std::string_view value);
    std::string bytes() const;

private:
    std::vector<std::string> m_lines;  // without line ends
    std::string m_eol = "\r\n";
    bool m_finalEol = true;
};

class IniFile {
public:
    static constexpr std::size_t kMaxValue = IniText::kMaxValue;

    // path is a native path.
    explicit IniFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }
    bool exists() const;

    // The value of the key, or nothing when the file, the section or the key is absent.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    // Writes the key's line in place, or adds it at the end of its section, creating the section and
    // the file when missing. Returns false, with a reason in error(), when the file can't be written.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    const std::string& error() const { return m_error; }

private:
    bool read(std::string& bytes) const;
    bool write(const std::string& bytes);

    std::string m_path;
    std::string m_error;
};

}  // namespace core
