#include "weighing/print_template.h"

#include "core/xbase.h"

namespace weighing {
namespace {

// SUBSTR(line, from, length) with columns counted from 1; "" past the end.
std::string_view columns(std::string_view line, std::size_t from, std::size_t length = std::string_view::npos)
{
    if (from - 1 >= line.size())
        return {};
    return line.substr(from - 1, length);
}

double number(std::string_view line, std::size_t from)
{
    return core::xbase::val(columns(line, from, 5)).value;
}

bool startsWith(std::string_view command, std::string_view name)
{
    return command.substr(0, name.size()) == name;
}

}  // namespace

std::vector<std::string> splitTemplate(std::string_view file)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find('\n', start);
        if (end == std::string_view::npos)
            end = file.size();
        std::string_view line = file.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line.substr(0, kTemplateLineLength));
        start = end + 1;
    }
    return lines;
}

TemplateLine parseTemplateLine(std::string_view text, int number)
{
    const std::string_view line = text.substr(0, kTemplateLineLength);
    TemplateLine t;
    t.number = number;
    if (line.empty())
        return t;
    t.section = core::xbase::upper(line.substr(0, 1))[0];
    const std::string command = core::xbase::upper(columns(line, 3, 5));
    t.n1 = weighing::number(line, 9);
    t.n2 = weighing::number(line, 15);
    t.n3 = weighing::number(line, 21);
    t.n4 = weighing::number(line, 27);
    const char selector = command.size() == 5 ? command[4] : ' ';

    if (startsWith(command, "FONT") || startsWith(command, "SAYR") || startsWith(command, "SAYL") ||
        startsWith(command, "SAYC")) {
        t.command = TemplateCommand::Text;
        t.align = startsWith(command, "SAYL")   ? core::PrintAlign::Right
                  : startsWith(command, "SAYC") ? core::PrintAlign::Centre
                                                : core::PrintAlign::Left;
        t.font = selector == '1' ? 4 : selector == '2' ? 5 : 6;
        t.text = std::string(columns(line, 21));
    } else if (startsWith(command, "LINE1") || startsWith(command, "LINE2") || startsWith(command, "LINE3")) {
        t.command = TemplateCommand::Line;
        t.pen = selector - '0';
    } else if (startsWith(command, "IMAGE")) {
        t.command = TemplateCommand::Image;
        t.text = core::xbase::alltrim(columns(line, 33));
    } else if (startsWith(command, "WMFIM") || startsWith(command, "RAWIM")) {
        t.command = startsWith(command, "WMFIM") ? TemplateCommand::Metafile : TemplateCommand::Raw;
        t.text = core::xbase::alltrim(columns(line, 9));
    } else if (startsWith(command, "PSIZE")) {
        t.command = TemplateCommand::PaperSize;
    } else if (startsWith(command, "DTMAX")) {
        t.command = TemplateCommand::DetailMax;
    } else if (startsWith(command, "SUM")) {
        const std::string_view digits = std::string_view(command).substr(3);
        const bool twoDigits = digits.size() == 2 && digits[0] >= '0' && digits[0] <= '9' && digits[1] >= '0' &&
                               digits[1] <= '9';
        const int n = twoDigits ? (digits[0] - '0') * 10 + (digits[1] - '0') : 0;
        if (n >= 1 && n <= 40) {
            t.command = TemplateCommand::Sum;
            t.sum = n;
            t.text = std::string(columns(line, 21));
        }
    }
    return t;
}

}  // namespace weighing
