// KeySource: an index key expression compiled once against one table's layout, producing the key
// bytes of any record of that table without allocating (the caller's buffer is reused).
//
// Key bytes by type (the NTX rules): C the text, right-padded with blanks or cut to the key size;
// N STR(value, size, dec) with leading blanks turned into '0' and, for a negative value, the '-'
// turned into '0' and every digit d into the byte 0x2C - d, so that byte order is numeric order;
// D YYYYMMDD (8 blanks when empty); L 'T' or 'F'.
//
// compileKey() makes the key forms tables are indexed on - field names joined by '+', DTOS(date
// field), STR(numeric field[, width[, decimals]]), UPPER(text field), a single numeric, date or
// logical field - by copying bytes; any other expression goes through the stored-expression
// evaluator against the record buffer. Either way the key's type and natural size are those of its
// value on a blank record. A KeySource refers to the Layout it was compiled against, which must
// outlive it; key() is not thread-safe (it keeps scratch space).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "storage/dbf_format.h"
#include "storage/status.h"

namespace storage {

class KeySource {
public:
    virtual ~KeySource() = default;

    // The key's type and natural size and decimals (those of the expression on a blank record).
    char type() const { return m_type; }
    int naturalSize() const { return m_naturalSize; }
    int naturalDecimals() const { return m_naturalDecimals; }

    // The size and decimals keys are made to: those of the index file's header (by default the
    // natural ones).
    void setShape(int size, int decimals)
    {
        m_size = size;
        m_decimals = decimals;
    }
    int size() const { return m_size; }
    int decimals() const { return m_decimals; }

    // out becomes exactly size() bytes: the key of record (a record buffer of the bound layout).
    virtual void key(const char* record, std::string& out) const = 0;

    // The expression text as given.
    const std::string& expression() const { return m_expression; }

protected:
    KeySource(std::string expression, char type, int size, int decimals)
        : m_expression(std::move(expression)), m_type(type), m_naturalSize(size), m_naturalDecimals(decimals),
          m_size(size), m_decimals(decimals)
    {
    }

private:
    std::string m_expression;
    char m_type;
    int m_naturalSize;
    int m_naturalDecimals;
    int m_size;
    int m_decimals;
};

// Maximum key size of an NTX file.
inline constexpr int kMaxKeySize = 256;

Status compileKey(std::string_view expression, const Layout& layout, std::unique_ptr<KeySource>* out);

// Key expressions compared as the engine compares them: upper case, blanks removed.
std::string normalizeKeyExpression(std::string_view expression);

// The NTX bytes of a number (see above) into out[0 .. size-1].
void encodeNumericKey(double value, int size, int decimals, char* out);

}  // namespace storage
