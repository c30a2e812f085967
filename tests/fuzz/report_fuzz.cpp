// Any bytes as a report definition: splitting and parsing never fail and every print line keeps to
// the fixed columns' rules; then the engine runs the definition over a small table (a group and
// block change, a deleted record) onto a print job that keeps nothing, whatever the expressions
// do - faults answered as the error trap's defaults, REPLINE moving lines anywhere - and always
// ends, with no more pages than there are records (a page takes at least one).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/settings.h"
#include "fuzz_util.h"
#include "reports/definition.h"
#include "reports/engine.h"
#include "storage/table.h"

namespace {

using fuzz::check;

class NullJob final : public core::PrintJob {
public:
    bool begin(const std::string&) override { return true; }
    bool end() override { return true; }
    void beginPage() override { ++m_pages; }
    void endPage() override {}
    int pageCount() const override { return m_pages; }
    int dpiX() const override { return 600; }
    int dpiY() const override { return 600; }
    int pageWidth() const override { return 4962; }
    int pageHeight() const override { return 7014; }
    void setPaperSize(int, int) override {}
    void text(int, int, const std::string& t, const core::PrintFont&, core::PrintAlign) override
    {
        check(t.size() <= 65535);
    }
    int textWidth(const std::string& t, const core::PrintFont&) override { return int(t.size()) * 20; }
    void line(int, int, int, int, int) override {}
    bool picture(int, int, int, int, const std::string&) override { return true; }

private:
    int m_pages = 0;
};

constexpr int kRecords = 6;

storage::Workspace& workspace()
{
    static storage::Workspace* ws = [] {
        storage::setHardCommit(false);
        static fuzz::SilentPrompts prompts;
        core::setPrompts(&prompts);
        core::Settings& s = core::programSettings();
        s.setText("CPAGEL", "3");
        s.setText("CPLENGHT", "2");
        s.setText("CHEIGHT1", "-16");
        s.setText("CPEN1", "1");
        const std::string dir = std::filesystem::temp_directory_path() / ("report_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const std::string path = dir + "/DETAIL.DBF";
        (void)storage::Table::create(path, {{"GRP", storage::FieldType::Character, 2, 0},
                                            {"NAME", storage::FieldType::Character, 10, 0},
                                            {"AMT", storage::FieldType::Numeric, 10, 2},
                                            {"DAY", storage::FieldType::Date, 8, 0}},
                                     true);
        auto* w = new storage::Workspace;
        storage::Table* t = nullptr;
        check(w->open("detail", path, storage::ShareMode::Exclusive, &t).ok());
        for (int i = 0; i < kRecords; ++i) {
            check(t->append().ok());
            check(t->put("GRP", core::Value::text(i < 3 ? "A" : "B")).ok());
            check(t->put("NAME", core::Value::text("N" + std::to_string(i))).ok());
            check(t->put("AMT", core::Value::number(i * 1.25, 2)).ok());
            check(t->put("DAY", core::Value::date(core::Date::fromYmd(2026, 12, 1 + i))).ok());
            if (i == 4)
                check(t->deleteRecord().ok());
        }
        std::atexit([] { std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                                     ("report_fuzz_" + std::to_string(::getpid()))); });
        return w;
    }();
    return *ws;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = reports::splitDefinition(bytes);
    int number = 0;
    for (const std::string& line : lines) {
        check(line.size() <= reports::kDefinitionLineLength);
        check(line.find('\n') == std::string::npos);
        const reports::PrintLine p = reports::parsePrintLine(line, ++number);
        check(p.number == number);
        check(p.section == 0 || std::string_view("HGBDESTF").find(p.section) != std::string_view::npos);
        check(p.font >= 1 && p.font <= 3 && p.pen >= 1 && p.pen <= 3);
        check(std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.c));
        check(p.expression.size() <= reports::kDefinitionLineLength);
    }
    const reports::Definition definition = reports::parseDefinition(lines);
    check(definition.lines.size() <= lines.size());

    storage::Workspace& ws = workspace();
    check(ws.find("detail")->goTop().ok());
    core::ValueMap values;
    values.setText("CEJECT", size % 2 ? "Y" : "N");
    reports::ReportEngine engine(ws, definition, values, "FUZZ");
    NullJob job;
    (void)job.begin("MERVO Report");
    (void)engine.REPSTART(job);
    check(engine.pages() <= 2 * kRecords);
    return 0;
}
