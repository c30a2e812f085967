#include "core/print_output.h"

#include <cstdio>

#include "core/paths.h"
#include "core/printer_choice.h"
#include "core/tis620.h"

namespace core {
namespace {

using tis620::T;

bool fitForFileName(std::string_view kind)
{
    if (kind.empty() || kind.size() > 40)
        return false;
    for (const char c : kind) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letter && c != '_' && c != '-')
            return false;
    }
    return true;
}

}  // namespace

PrintPlan planPrint(std::string_view kind, const std::vector<std::string>& installed, bool preview)
{
    PrintPlan plan;
    plan.printer = findPrinter(kind, installed);
    plan.preview = preview || !plan.printer;
    return plan;
}

std::string pdfFolder()
{
    return paths::resolve("PDF");
}

std::string pdfFileName(std::string_view kind, Date day, std::int64_t hundredths)
{
    const std::int64_t seconds = hundredths < 0 ? 0 : hundredths / 100;
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d", int(seconds / 3600 % 24), int(seconds / 60 % 60),
                  int(seconds % 60));
    const std::string ymd = day.isEmpty() ? std::string("00000000") : day.dtos();
    return (fitForFileName(kind) ? std::string(kind) : std::string("Document")) + "-" + ymd + "-" + time + ".pdf";
}

std::string freePdfPath(const std::string& folder, const std::string& name,
                        const std::function<bool(const std::string&)>& taken)
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::string path = base + name;
    const std::string stem = name.size() > 4 ? name.substr(0, name.size() - 4) : name;
    for (int n = 2; taken(path) && n < 10000; ++n)
        path = base + stem + "-" + std::to_string(n) + ".pdf";
    return path;
}

std::string pdfSavedMessage(const std::string& path)
{
    return T("บันทึกเอกสารเป็นไฟล์ PDF ไว้ที่ ") + path;
}

std::string pdfFailedMessage(const std::string& path)
{
    return T("ไม่สามารถบันทึกไฟล์ PDF ที่ ") + path + T(" ได้ !");
}

std::string printedMessage(const std::string& printer)
{
    return T("ส่งเอกสารไปพิมพ์ที่เครื่องพิมพ์ ") + printer + T(" แล้ว");
}

std::string printFailedMessage(const std::string& printer)
{
    return T("ไม่สามารถพิมพ์ที่เครื่องพิมพ์ ") + printer + T(" ได้ !");
}

}  // namespace core
