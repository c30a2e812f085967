#include "storage/field_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/xbase.h"

namespace storage::field {
namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

Status typeError(const Field& f, const char* what)
{
    return Status::typeMismatch(std::string(what) + " for field " + f.name + " of type " + char(f.type));
}

Status overflow(const Field& f, double v)
{
    return Status::fieldOverflow(core::xbase::decimalText(v, f.decimals) + " does not fit field " + f.name + " (N " +
                                 std::to_string(f.length) + "," + std::to_string(f.decimals) + ")");
}

}  // namespace

bool formatNumber(double value, int width, int dec, char* out)
{
    if (width <= 0 || dec < 0 || !std::isfinite(value))
        return false;
    // Fast path: scale to an integer count of the last decimal place. When the scaled value is far
    // from a half (more than 1/1000 of the last place) and below 2^40 the rounding of the binary
    // product and of the decimal value agree, so this gives the same text as formatFixed.
    if (dec < 16) {
        const double scaled = std::fabs(value) * kPow10[dec];
        if (scaled < 1099511627776.0) {
            const double floorPart = std::floor(scaled);
            const double frac = scaled - floorPart;
            if (std::fabs(frac - 0.5) > 0.001) {
                std::uint64_t units = std::uint64_t(floorPart) + (frac > 0.5 ? 1 : 0);
                const bool zero = units == 0;  // a value that rounds to zero carries no sign
                char digits[32];
                int n = 0;
                do {
                    digits[n++] = char('0' + units % 10);
                    units /= 10;
                } while (units != 0);
                while (n < dec + 1)
                    digits[n++] = '0';  // at least one digit before the point
                const bool negative = value < 0 && !zero;
                const int len = n + (dec > 0 ? 1 : 0) + (negative ? 1 : 0);
                if (len > width)
                    return false;
                char* p = out;
                for (int i = 0; i < width - len; ++i)
                    *p++ = ' ';
                if (negative)
                    *p++ = '-';
                for (int i = n - 1; i >= 0; --i) {
                    *p++ = digits[i];
                    if (i == dec && dec > 0)
                        *p++ = '.';
                }
                return true;
            }
        }
    }
    std::string text;
    if (!core::xbase::formatFixed(value, width, dec, text))
        return false;
    std::memcpy(out, text.data(), std::size_t(width));
    return true;
}

bool isBlank(const Field& f, const char* record)
{
    const char* p = record + f.offset;
    for (std::size_t i = 0; i < f.length; ++i)
        if (p[i] != ' ')
            return false;
    return true;
}

double number(const Field& f, const char* record)
{
    return core::xbase::val(raw(f, record)).value;
}

core::Date date(const Field& f, const char* record)
{
    return core::Date::fromDtos(raw(f, record));
}

bool logical(const Field& f, const char* record)
{
    const char c = record[f.offset];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

core::Value value(const Field& f, const char* record)
{
    switch (f.type) {
    case FieldType::Character: return core::Value::text(std::string(raw(f, record)));
    case FieldType::Numeric: return core::Value::number(number(f, record), f.decimals, f.length);
    case FieldType::Date: return core::Value::date(date(f, record));
    case FieldType::Logical: return core::Value::logical(logical(f, record));
    }
    return {};
}

Status putText(const Field& f, char* record, std::string_view text)
{
    if (f.type != FieldType::Character)
        return typeError(f, "text");
    char* p = record + f.offset;
    const std::size_t n = std::min<std::size_t>(text.size(), f.length);
    std::memcpy(p, text.data(), n);
    std::memset(p + n, ' ', f.length - n);
    return {};
}

Status putNumber(const Field& f, char* record, double value)
{
    if (f.type != FieldType::Numeric)
        return typeError(f, "number");
    if (!formatNumber(value, f.length, f.decimals, record + f.offset))
        return overflow(f, value);
    return {};
}

Status putDate(const Field& f, char* record, core::Date d)
{
    if (f.type != FieldType::Date)
        return typeError(f, "date");
    const std::string s = d.dtos();
    std::memcpy(record + f.offset, s.data(), 8);
    return {};
}

Status putLogical(const Field& f, char* record, bool b)
{
    if (f.type != FieldType::Logical)
        return typeError(f, "logical");
    record[f.offset] = b ? 'T' : 'F';
    return {};
}

Status putValue(const Field& f, char* record, const core::Value& v)
{
    switch (v.type()) {
    case core::Value::Type::Text: return putText(f, record, v.asText());
    case core::Value::Type::Number: return putNumber(f, record, v.asNumber());
    case core::Value::Type::Date: return putDate(f, record, v.asDate());
    case core::Value::Type::Logical: return putLogical(f, record, v.asLogical());
    default: return typeError(f, v.isNil() ? "NIL" : "array");
    }
}

void putBlank(const Field& f, char* record)
{
    std::memset(record + f.offset, ' ', f.length);
}

}  // namespace storage::field
