#include "storage/table_csv.h"

#include <cstdlib>
#include <set>

#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/field_codec.h"

namespace storage::csv {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "line 7, column 3 (WEIGHT): "
std::string where(std::size_t line, std::size_t column, std::string_view name)
{
    std::string s = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (!name.empty())
        s += " (" + std::string(name) + ")";
    return s + ": ";
}

// A value shown in a message: at most 40 bytes, so a huge cell does not flood the terminal.
std::string shown(std::string_view v)
{
    return "\"" + std::string(v.substr(0, 40)) + (v.size() > 40 ? "...\"" : "\"");
}

// A plain decimal: optional sign, digits, optional point and digits (at least one digit in all).
// *decimals: the digits after the point that are not trailing zeros.
bool plainDecimal(std::string_view v, int* decimals)
{
    std::size_t i = 0;
    if (i < v.size() && (v[i] == '+' || v[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < v.size() && isDigit(v[i]))
        ++i, ++digits;
    *decimals = 0;
    if (i < v.size() && v[i] == '.') {
        ++i;
        int last = 0, n = 0;
        while (i < v.size() && isDigit(v[i])) {
            ++n;
            if (v[i] != '0')
                last = n;
            ++i, ++digits;
        }
        *decimals = last;
    }
    return digits > 0 && i == v.size();
}

Status convert(const Field& f, std::string_view value, char* record, const std::string& at)
{
    switch (f.type) {
    case FieldType::Character: {
        std::string tis = core::tis620::fromUtf8(value);
        if (core::tis620::toUtf8(tis) != value)
            return Status::invalidArgument(at + "characters that are not UTF-8 or that TIS-620 cannot hold in " +
                                           shown(value));
        if (tis.size() > f.length) {
            if (core::xbase::rtrimView(tis).size() > f.length)
                return Status::invalidArgument(at + shown(value) + " is longer than the field's " +
                                               std::to_string(f.length) + " characters");
            tis.resize(f.length);
        }
        return field::putText(f, record, tis);
    }
    case FieldType::Numeric: {
        if (value.empty()) {
            field::putBlank(f, record);
            return {};
        }
        int decimals = 0;
        if (value.size() > 40 || !plainDecimal(value, &decimals))
            return Status::invalidArgument(at + shown(value) + " is not a number (digits, an optional sign and point)");
        if (decimals > f.decimals)
            return Status::invalidArgument(at + shown(value) + " has more decimals than the field's " +
                                           std::to_string(f.decimals));
        const std::string text(value);
        const Status s = field::putNumber(f, record, std::strtod(text.c_str(), nullptr));
        if (s.is(Status::Code::FieldOverflow))
            return Status::invalidArgument(at + shown(value) + " does not fit the field's width " +
                                           std::to_string(f.length) + "," + std::to_string(f.decimals));
        return s;
    }
    case FieldType::Date: {
        if (value.empty()) {
            field::putBlank(f, record);
            return {};
        }
        const core::Date d = value.size() == 8 ? core::Date::fromDtos(value) : core::Date();
        if (d.isEmpty())
            return Status::invalidArgument(at + shown(value) + " is not a date written YYYYMMDD");
        return field::putDate(f, record, d);
    }
    case FieldType::Logical: {
        if (value.empty()) {
            field::putBlank(f, record);
            return {};
        }
        const std::string v = core::xbase::upper(value);
        if (v != "T" && v != "F" && v != "Y" && v != "N")
            return Status::invalidArgument(at + shown(value) + " is not a logical (T or F)");
        return field::putLogical(f, record, v == "T" || v == "Y");
    }
    }
    return Status::invalidArgument(at + "a field of an unknown type");
}

}  // namespace

std::string fieldText(const Field& f, const char* record)
{
    const std::string_view raw = field::raw(f, record);
    if (f.type == FieldType::Character)
        return core::tis620::toUtf8(raw);
    if (field::isBlank(f, record))
        return {};
    switch (f.type) {
    case FieldType::Numeric: return core::tis620::toUtf8(core::xbase::ltrimView(raw));
    case FieldType::Logical: return field::logical(f, record) ? "T" : "F";
    default: return core::tis620::toUtf8(raw);
    }
}

void writeValue(std::ostream& out, std::string_view value)
{
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << value;
        return;
    }
    out << '"';
    for (char c : value) {
        if (c == '"')
            out << '"';
        out << c;
    }
    out << '"';
}

Status parse(std::string_view text, Document* out)
{
    *out = {};
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> row;
    std::string value;
    std::size_t line = 1, rowLine = 1;
    bool quoted = false;       // inside a quoted value
    bool wasQuoted = false;    // the value so far was a quoted one (only a separator may follow)
    bool rowHasText = false;   // the row is more than one empty value
    auto endRow = [&] {
        row.push_back(std::move(value));
        value.clear();
        if (rowHasText || row.size() > 1) {
            if (out->header.empty() && out->rows.empty())
                out->header = std::move(row);
            else {
                out->rows.push_back(std::move(row));
                out->lines.push_back(rowLine);
            }
        }
        row.clear();
        rowHasText = wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    value.push_back('"');
                    ++i;
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (c == '\n')
                    ++line;
                value.push_back(c);
            }
            continue;
        }
        if (c == ',') {
            row.push_back(std::move(value));
            value.clear();
            wasQuoted = false;
            continue;
        }
        if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            if (c == '\r')
                ++i;
            endRow();
            ++line;
            rowLine = line;
            continue;
        }
        if (wasQuoted)
            return Status::invalidArgument("line " + std::to_string(line) + ": text after the closing quote of a value");
        if (c == '"') {
            if (!value.empty())
                return Status::invalidArgument("line " + std::to_string(line) +
                                               ": a quote inside a value that does not start with one");
            quoted = true;
            rowHasText = true;
            continue;
        }
        if (c == '\r')
            return Status::invalidArgument("line " + std::to_string(line) + ": a carriage return outside quotes");
        value.push_back(c);
        rowHasText = true;
    }
    if (quoted)
        return Status::invalidArgument("line " + std::to_string(rowLine) + ": a quoted value is never closed");
    if (rowHasText || !row.empty())
        endRow();
    if (out->header.empty())
        return Status::invalidArgument("no header line");
    return {};
}

Status toRecords(const Document& doc, const Layout& layout, std::vector<std::string>* records)
{
    records->clear();
    // Column i of the file -> field index, or -1 for RECNO and DELETED.
    std::vector<int> target;
    std::set<int> seen;
    for (std::size_t i = 0; i < doc.header.size(); ++i) {
        const std::string& name = doc.header[i];
        if (core::xbase::equalsNoCase(name, "RECNO") || core::xbase::equalsNoCase(name, "DELETED")) {
            target.push_back(-1);
            continue;
        }
        const int f = layout.find(core::xbase::alltrim(name));
        if (f < 0)
            return Status::invalidArgument(where(1, i + 1, {}) + shown(name) + " is not a field of the table");
        if (!seen.insert(f).second)
            return Status::invalidArgument(where(1, i + 1, {}) + shown(name) + " is given twice");
        target.push_back(f);
    }
    const std::string blank = layout.blankRecord();
    for (std::size_t r = 0; r < doc.rows.size(); ++r) {
        const auto& row = doc.rows[r];
        const std::size_t line = doc.lines[r];
        if (row.size() > doc.header.size())
            return Status::invalidArgument("line " + std::to_string(line) + ": " + std::to_string(row.size()) +
                                           " values, the header names " + std::to_string(doc.header.size()));
        std::string rec = blank;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (target[i] < 0)
                continue;
            const Field& f = layout.fields()[std::size_t(target[i])];
            STORAGE_TRY(convert(f, row[i], rec.data(), where(line, i + 1, f.name)));
        }
        records->push_back(std::move(rec));
    }
    return {};
}

Status appendRecords(Table& table, const std::vector<std::string>& records)
{
    const auto& fields = table.layout().fields();
    std::size_t done = 0;
    Status s;
    for (const std::string& rec : records) {
        if (rec.size() != table.layout().recordLength()) {
            s = Status::invalidArgument("a record of another layout");
            break;
        }
        s = table.appendWait();
        for (std::size_t i = 0; s.ok() && i < fields.size(); ++i)
            if (!field::isBlank(fields[i], rec.data()))
                s = table.put(int(i), field::value(fields[i], rec.data()));
        // Counted once it is written with its keys: a record that fails there leaves the table.
        if (s.ok())
            s = table.unlock();
        if (!s.ok())
            break;
        ++done;
    }
    Status c = table.commit();
    if (s.ok())
        s = c;
    c = table.unlock();
    if (s.ok())
        s = c;
    if (!s.ok())
        return s.withContext(std::to_string(done) + " of " + std::to_string(records.size()) + " records appended");
    return {};
}

}  // namespace storage::csv
