#include "core/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/xbase.h"

namespace core {
namespace {

std::string_view trimWs(std::string_view s)
{
    auto isWs = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isWs(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isWs(s.back()))
        s.remove_suffix(1);
    return s;
}

// The section name when the line opens a section.
std::optional<std::string_view> sectionOf(std::string_view line)
{
    line = trimWs(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimWs(line.substr(1, close - 1));
}

// Key and raw value when the line is a key line.
bool keyOf(std::string_view line, std::string_view& key, std::string_view& value)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trimWs(line.substr(0, eq));
    if (key.empty() || key.front() == ';' || key.front() == '[')
        return false;
    value = line.substr(eq + 1);
    return true;
}

// Index range [begin, end) of the lines of the first section named `section`.
bool findSection(const std::vector<std::string>& lines, std::string_view section, std::size_t& begin,
                 std::size_t& end)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto s = sectionOf(lines[i]);
        if (s && xbase::equalsNoCase(*s, section)) {
            begin = i + 1;
            end = begin;
            while (end < lines.size() && !sectionOf(lines[end]))
                ++end;
            return true;
        }
    }
    return false;
}

}  // namespace

IniText::IniText(std::string_view data)
{
    const auto firstNl = data.find('\n');
    m_eol = firstNl != std::string_view::npos && firstNl > 0 && data[firstNl - 1] != '\r' ? "\n" : "\r\n";
    m_finalEol = data.empty() || data.back() == '\n';
    std::size_t pos = 0;
    while (pos < data.size()) {
        const auto nl = data.find('\n', pos);
        std::string line(data.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.push_back(std::move(line));
        if (nl == std::string_view::npos)
            break;
        pos = nl + 1;
    }
}

std::string IniText::bytes() const
{
    std::string data;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        data += m_lines[i];
        if (i + 1 < m_lines.size() || m_finalEol)
            data += m_eol;
    }
    return data;
}

std::optional<std::string> IniText::get(std::string_view section, std::string_view key) const
{
    std::size_t begin, end;
    if (!findSection(m_lines, section, begin, end))
        return std::nullopt;
    for (std::size_t i = begin; i < end; ++i) {
        std::string_view k, v;
        if (keyOf(m_lines[i], k, v) && xbase::equalsNoCase(k, key)) {
            v = trimWs(v);
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return std::string(v.substr(0, kMaxValue));
        }
    }
    return std::nullopt;
}

bool IniText::set(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line(key);
    line.append("=").append(value);
    std::size_t begin, end;
    if (!findSection(m_lines, section, begin, end)) {
        std::string header = "[";
        header.append(section).append("]");
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(line));
        m_finalEol = true;
        return true;
    }
    for (std::size_t i = begin; i < end; ++i) {
        std::string_view k, v;
        if (keyOf(m_lines[i], k, v) && xbase::equalsNoCase(k, key)) {
            if (trimWs(v) == trimWs(value))
                return false;  // nothing to change: the line stays as it was written
            m_lines[i] = std::move(line);
            return true;
        }
    }
    // A new key goes after the section's last non-blank line.
    std::size_t at = end;
    while (at > begin && trimWs(m_lines[at - 1]).empty())
        --at;
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), std::move(line));
    if (at == m_lines.size() - 1)
        m_finalEol = true;
    return true;
}

bool IniFile::exists() const
{
    struct stat st;
    return ::stat(m_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IniFile::read(std::string& data) const
{
    data.clear();
    std::FILE* f = std::fopen(m_path.c_str(), "rb");
    if (!f)
        return false;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return true;
}

bool IniFile::write(const std::string& data)
{
    const std::string tmp = m_path + ".tmp";
    struct stat st;
    const mode_t mode = ::stat(m_path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if ((mode & 0222) == 0) {
        m_error = m_path + " is read-only";
        return false;
    }
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        m_error = "cannot write " + tmp + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            m_error = "cannot write " + tmp + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += std::size_t(w);
    }
    ::fchmod(fd, mode);
    ::fsync(fd);
    ::close(fd);
    if (::rename(tmp.c_str(), m_path.c_str()) != 0) {
        m_error = "cannot replace " + m_path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const
{
    std::string data;
    if (!read(data))
        return std::nullopt;
    return IniText(data).get(section, key);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value)
{
    m_error.clear();
    std::string data;
    const bool existed = read(data);  // a missing file is an empty one
    IniText text(data);
    if (!text.set(section, key, value) && existed)
        return true;
    return write(text.bytes());
}

}  // namespace core
