#include "reports/definition.h"

#include <fstream>

#include "core/xbase.h"

namespace reports {
namespace {

using core::xbase::upper;

// The bytes of positions [from, from + length) counted from 1; shorter when the line ends first.
std::string_view columns(std::string_view line, std::size_t from, std::size_t length = std::string_view::npos)
{
    if (line.size() < from)
        return {};
    return line.substr(from - 1, length);
}

double number(std::string_view line, std::size_t from)
{
    return core::xbase::val(columns(line, from, 5)).value / 100;
}

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"LF", Command::LF}, {"NF", Command::NF}, {"LO", Command::LO}, {"NH", Command::NH}, {"LH", Command::LH},
    {"LV", Command::LV}, {"LX", Command::LX}, {"SM", Command::SM}, {"NA", Command::NA},
};

constexpr const char* kSettingNames[] = {"I,FILES", "I,FORMS", "I,INDEX", "I,GROUP", "I,BLOCK", "I,CONDI", "I,LEFTM"};

}  // namespace

std::vector<const char*> DefinitionSettings::missing() const
{
    std::vector<const char*> out;
    const std::pair<const char*, const std::string*> required[] = {
        {"CFILE", &CFILE}, {"CFORM", &CFORM}, {"CINDEX", &CINDEX}, {"CFGROUP", &CFGROUP}, {"CFBLOCK", &CFBLOCK}};
    for (const auto& [name, value] : required)
        if (value->empty())
            out.push_back(name);
    return out;
}

std::vector<std::string> splitDefinition(std::string_view file)
{
    std::vector<std::string> lines;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line.substr(0, kDefinitionLineLength));
        if (end == std::string_view::npos)
            break;
        file.remove_prefix(end + 1);
    }
    return lines;
}

bool isSettingLine(std::string_view line, std::string* name)
{
    if (line.size() < 7)
        return false;
    const std::string head = upper(line.substr(0, 7));
    for (const char* n : kSettingNames) {
        if (head == n) {
            if (name)
                *name = head;
            return true;
        }
    }
    return false;
}

PrintLine parsePrintLine(std::string_view line, int number_)
{
    PrintLine p;
    p.number = number_;
    if (line.empty())
        return p;
    const char section = upper(line.substr(0, 1))[0];
    if (std::string_view("HGBDESTF").find(section) == std::string_view::npos)
        return p;
    p.section = section;
    const std::string command = upper(columns(line, 3, 2));
    for (const CommandName& c : kCommands)
        if (command == c.name)
            p.command = c.command;
    const std::string option = upper(columns(line, 6, 5));
    if (option.size() == 5 && option[4] >= '1' && option[4] <= '3') {
        const int digit = option[4] - '0';
        const std::string_view stem = std::string_view(option).substr(0, 4);
        if (stem == "LINE") {
            p.option = Option::Rule;
            p.pen = digit;
        } else if (stem == "SAYR" || stem == "SAYL" || stem == "SAYC") {
            p.option = Option::Text;
            p.font = digit;
            p.align = stem[3] == 'R' ? core::PrintAlign::Left
                      : stem[3] == 'L' ? core::PrintAlign::Right
                                       : core::PrintAlign::Centre;
        }
    }
    p.a = number(line, 12);
    p.b = number(line, 18);
    p.c = number(line, 24);
    switch (p.command) {
    case Command::LF:
    case Command::NF:
    case Command::SM:
    case Command::NA:
        p.expression = core::xbase::rtrim(columns(line, 18));
        break;
    case Command::LO:
        p.expression = core::xbase::rtrim(columns(line, 24));
        break;
    default:
        break;
    }
    return p;
}

Definition parseDefinition(const std::vector<std::string>& lines)
{
    Definition d;
    int n = 0;
    for (const std::string& line : lines) {
        ++n;
        std::string name;
        if (isSettingLine(line, &name)) {
            const std::string value = upper(core::xbase::alltrim(columns(line, 9)));
            DefinitionSettings& s = d.settings;
            if (name == "I,FILES")
                s.CFILE = value;
            else if (name == "I,FORMS")
                s.CFORM = value;
            else if (name == "I,INDEX")
                s.CINDEX = value;
            else if (name == "I,GROUP")
                s.CFGROUP = value;
            else if (name == "I,BLOCK")
                s.CFBLOCK = value;
            else if (name == "I,CONDI")
                s.CFCOND = value;
            else
                s.COFFSET = core::xbase::val(value).value / 100;
            continue;
        }
        PrintLine p = parsePrintLine(line, n);
        if (p.section)
            d.lines.push_back(std::move(p));
    }
    return d;
}

bool readDefinitionFile(const std::string& path, std::string* bytes, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    bytes->clear();
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes->append(buffer, std::size_t(in.gcount()));
        if (bytes->size() > kMaxDefinitionBytes) {
            *error = path + ": larger than " + std::to_string(kMaxDefinitionBytes) + " bytes";
            return false;
        }
    }
    if (bytes->find('\0') != std::string::npos) {
        *error = path + ": holds a NUL byte (not a text file)";
        return false;
    }
    return true;
}

}  // namespace reports
