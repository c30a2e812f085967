#include "storage_test_util.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "storage/check.h"

namespace storagetest {

std::string golden(const std::string& name)
{
    return std::string(MERVO_SOURCE_DIR) + "/tests/storage/golden/" + name;
}

void copyGolden(const std::string& folder, const std::vector<std::string>& names)
{
    for (const auto& n : names)
        std::filesystem::copy_file(golden(n), folder + "/" + n, std::filesystem::copy_options::overwrite_existing);
}

namespace {

std::string unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out.push_back(char(std::stoi(s.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::vector<std::string> findings(const std::string& dbf, const std::vector<storage::IndexToCheck>& ix, bool notes)
{
    storage::CheckReport report;
    storage::checkTable(dbf, ix, &report);
    std::vector<std::string> all = report.problems;
    if (notes)
        for (const std::string& n : report.notes)
            all.push_back("note: " + n);
    return all;
}

}  // namespace

std::vector<std::vector<std::string>> readEscapedCsv(const std::string& path, std::vector<std::string>* header)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cols;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            cols.push_back(unescape(line.substr(start, comma - start)));
        cols.push_back(unescape(line.substr(start)));
        rows.push_back(std::move(cols));
    }
    if (header && !rows.empty())
        *header = rows.front();
    if (!rows.empty())
        rows.erase(rows.begin());
    return rows;
}

void must(const storage::Status& s)
{
    if (!s.ok())
        throw std::runtime_error(s.toString());
}

std::unique_ptr<storage::Table> openTable(const std::string& path, storage::ShareMode mode)
{
    std::unique_ptr<storage::Table> t;
    must(storage::Table::open(path, mode, &t));
    return t;
}

std::unique_ptr<storage::Table> newTable(const std::string& path, const std::vector<storage::FieldSpec>& fields,
                                         storage::ShareMode mode)
{
    must(storage::Table::create(path, fields));
    return openTable(path, mode);
}

std::vector<std::uint32_t> recnos(storage::Table& t)
{
    std::vector<std::uint32_t> out;
    for (must(t.goTop()); !t.eof(); must(t.skip()))
        out.push_back(t.recNo());
    return out;
}

std::vector<std::string> firstFields(storage::Table& t, bool liveOnly)
{
    std::vector<std::string> out;
    for (std::uint32_t r = 1, n = t.recCount(); r <= n; ++r) {
        std::string_view v;
        must(t.goTo(r));
        must(t.raw(0, &v));
        if (!liveOnly || !t.deleted())
            out.emplace_back(v);
    }
    return out;
}

const std::vector<std::pair<std::string, std::string>> kTicketOrders = {
    {"WDATA1.NTX", "STAT+TRUCK"}, {"WDATA12.NTX", "DTOS(DAYIN)+TMIN+TICKET"}, {"WDATA13.NTX", "COMPANY+ACCOUNT"}};

storage::Status openTicketTable(const std::string& folder, storage::ShareMode mode, std::unique_ptr<storage::Table>* t,
                                int waitMs)
{
    STORAGE_TRY(waitMs > 0 ? storage::Table::openWait(folder + "/WDATA1.DBF", mode, waitMs, t)
                           : storage::Table::open(folder + "/WDATA1.DBF", mode, t));
    for (const auto& [file, key] : kTicketOrders)
        STORAGE_TRY((*t)->addOrder(folder + "/" + file, key));
    return {};
}

std::unique_ptr<storage::Table> ticketTable(const std::string& folder, storage::ShareMode mode)
{
    std::unique_ptr<storage::Table> t;
    must(openTicketTable(folder, mode, &t));
    return t;
}

std::vector<std::string> checkFindings(const std::string& dbf, const std::vector<std::string>& ntx, bool notes)
{
    std::vector<storage::IndexToCheck> ix;
    for (const auto& n : ntx)
        ix.push_back({n, "", true});
    return findings(dbf, ix, notes);
}

std::vector<std::string> ticketFindings(const std::string& folder, bool notes)
{
    std::vector<storage::IndexToCheck> ix;
    for (const auto& [file, key] : kTicketOrders)
        ix.push_back({folder + "/" + file, key, true});
    return findings(folder + "/WDATA1.DBF", ix, notes);
}

std::vector<storage::FieldSpec> ticketFields()
{
    using storage::FieldType;
    return {{"TICKET", FieldType::Character, 6, 0}, {"STAT", FieldType::Character, 1, 0},
            {"TRUCK", FieldType::Character, 10, 0}, {"COMPANY", FieldType::Character, 10, 0},
            {"DAYIN", FieldType::Date, 8, 0},       {"TMIN", FieldType::Character, 8, 0},
            {"WIN", FieldType::Numeric, 10, 2},     {"PRICE", FieldType::Numeric, 12, 3},
            {"ADJ_W1", FieldType::Numeric, 10, 2},  {"ACCOUNT", FieldType::Character, 1, 0},
            {"PRINT", FieldType::Numeric, 2, 0},    {"POSTED", FieldType::Logical, 1, 0}};
}

storage::Status writeTicket(storage::Table& t, std::uint32_t n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%06u", n % 1000000);
    STORAGE_TRY(t.putText(0, buf));
    STORAGE_TRY(t.putText(1, n % 3 ? "2" : "1"));
    std::snprintf(buf, sizeof buf, "TR-%04u", (n * 7919u) % 5000u);
    STORAGE_TRY(t.putText(2, buf));
    std::snprintf(buf, sizeof buf, "S%04u", (n * 31u) % 200u);
    STORAGE_TRY(t.putText(3, buf));
    STORAGE_TRY(t.putDate(4, core::Date::fromYmd(2024, 1 + int(n % 12), 1 + int(n % 28))));
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", (n / 3600) % 24, (n / 60) % 60, n % 60);
    STORAGE_TRY(t.putText(5, buf));
    STORAGE_TRY(t.putNumber(6, 10000 + (n % 9000) * 3.25));
    STORAGE_TRY(t.putNumber(7, (n % 1000) * 1.125));
    STORAGE_TRY(t.putNumber(8, -double(n % 500) / 4));
    STORAGE_TRY(t.putText(9, n % 4 ? " " : "1"));
    STORAGE_TRY(t.putNumber(10, double(n % 100)));
    return t.putLogical(11, n % 2 == 0);
}

storage::Status appendTickets(storage::Table& t, std::uint32_t first, std::uint32_t last)
{
    for (std::uint32_t n = first; n <= last; ++n) {
        STORAGE_TRY(t.append());
        STORAGE_TRY(writeTicket(t, n));
        if (!t.exclusive())
            STORAGE_TRY(t.unlock());
    }
    return {};
}

storage::Status appendRows(storage::Table& t, const std::vector<std::vector<std::string>>& rows)
{
    for (const auto& row : rows) {
        STORAGE_TRY(t.append());
        for (std::size_t i = 0; i < row.size(); ++i)
            STORAGE_TRY(t.putText(int(i), row[i]));
        if (!t.exclusive())
            STORAGE_TRY(t.unlock());
    }
    return {};
}

void patchFile(const std::string& path, std::size_t offset, const std::string& bytes)
{
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(std::streamoff(offset));
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace storagetest
