#include "storage/key_source.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/fault.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/field_codec.h"

namespace storage {
namespace {

// One piece of a text key: a field's bytes, a date field as YYYYMMDD, a number as STR(), or a text
// field in upper case.
struct Part {
    enum class Kind { Raw, Dtos, Str, Upper } kind;
    const Field* field;
    int width;     // bytes this part contributes
    int decimals;  // Str only
};

class TextKey final : public KeySource {
public:
    TextKey(std::string expression, std::vector<Part> parts, int size)
        : KeySource(std::move(expression), 'C', size, 0), m_parts(std::move(parts))
    {
    }

    void key(const char* record, std::string& out) const override
    {
        const std::size_t size = std::size_t(this->size());
        out.resize(size);
        char* p = out.data();
        std::size_t pos = 0;
        for (const Part& part : m_parts) {
            if (pos >= size)
                break;
            const std::size_t n = std::min<std::size_t>(std::size_t(part.width), size - pos);
            const char* src = record + part.field->offset;
            switch (part.kind) {
            case Part::Kind::Raw:
            case Part::Kind::Dtos:
                // A stored date is YYYYMMDD or blank; DTOS of an invalid stored date is blank.
                if (part.kind == Part::Kind::Dtos && field::date(*part.field, record).isEmpty())
                    std::memset(p + pos, ' ', n);
                else
                    std::memcpy(p + pos, src, n);
                break;
            case Part::Kind::Upper:
                for (std::size_t i = 0; i < n; ++i) {
                    const char c = src[i];
                    p[pos + i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
                }
                break;
            case Part::Kind::Str: {
                char buf[300];
                if (!field::formatNumber(field::number(*part.field, record), part.width, part.decimals, buf))
                    std::memset(buf, '*', std::size_t(part.width));
                std::memcpy(p + pos, buf, n);
                break;
            }
            }
            pos += n;
        }
        if (pos < size)
            std::memset(p + pos, ' ', size - pos);
    }

private:
    std::vector<Part> m_parts;
};

class NumericKey final : public KeySource {
public:
    NumericKey(std::string expression, const Field* f)
        : KeySource(std::move(expression), 'N', f->length, f->decimals), m_field(f)
    {
    }
    void key(const char* record, std::string& out) const override
    {
        out.resize(std::size_t(size()));
        encodeNumericKey(field::number(*m_field, record), size(), decimals(), out.data());
    }

private:
    const Field* m_field;
};

class DateKey final : public KeySource {
public:
    DateKey(std::string expression, const Field* f) : KeySource(std::move(expression), 'D', 8, 0), m_field(f) {}
    void key(const char* record, std::string& out) const override
    {
        out.assign(std::size_t(size()), ' ');
        if (!field::date(*m_field, record).isEmpty())
            std::memcpy(out.data(), record + m_field->offset, std::min<std::size_t>(8, out.size()));
    }

private:
    const Field* m_field;
};

class LogicalKey final : public KeySource {
public:
    LogicalKey(std::string expression, const Field* f) : KeySource(std::move(expression), 'L', 1, 0), m_field(f) {}
    void key(const char* record, std::string& out) const override
    {
        out.assign(std::size_t(size()), ' ');
        if (!out.empty())
            out[0] = field::logical(*m_field, record) ? 'T' : 'F';
    }

private:
    const Field* m_field;
};

// A small scanner over the key text: names, integers and the punctuation + ( ) ,
class Scanner {
public:
    explicit Scanner(std::string_view s) : m_s(s) {}
    void skipBlanks()
    {
        while (m_pos < m_s.size() && (m_s[m_pos] == ' ' || m_s[m_pos] == '\t'))
            ++m_pos;
    }
    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_s.size();
    }
    bool take(char c)
    {
        skipBlanks();
        if (m_pos < m_s.size() && m_s[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    std::string name()
    {
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_s.size() && (std::isalnum((unsigned char)m_s[m_pos]) || m_s[m_pos] == '_'))
            ++m_pos;
        return std::string(m_s.substr(start, m_pos - start));
    }
    bool integer(int* v)
    {
        skipBlanks();
        const std::size_t start = m_pos;
        int n = 0;
        while (m_pos < m_s.size() && m_s[m_pos] >= '0' && m_s[m_pos] <= '9' && n < 100000)
            n = n * 10 + (m_s[m_pos++] - '0');
        *v = n;
        return m_pos > start;
    }

private:
    std::string_view m_s;
    std::size_t m_pos = 0;
};

// Any other key expression, evaluated by the stored-expression evaluator against the record buffer.
class ExpressionKey final : public KeySource {
public:
    ExpressionKey(std::string text, expr::Expression e, std::unique_ptr<expr::RecordContext> context, char type,
                  int size, int decimals)
        : KeySource(std::move(text), type, size, decimals), m_expr(std::move(e)), m_context(std::move(context))
    {
    }

    void key(const char* record, std::string& out) const override
    {
        const std::size_t size = std::size_t(this->size());
        m_context->setRecord(record);
        if (type() == 'C') {
            if (!m_expr.evaluateText(*m_context, m_text))
                m_text.clear();
            out.assign(m_text, 0, std::min(m_text.size(), size));
            out.resize(size, ' ');
            return;
        }
        out.assign(size, ' ');
        if (!m_expr.evaluate(*m_context, m_value))
            return;
        if (type() == 'N' && m_value.isNumber())
            encodeNumericKey(m_value.asNumber(), int(size), decimals(), out.data());
        else if (type() == 'D' && m_value.isDate())
            out.replace(0, std::min<std::size_t>(8, size), m_value.asDate().dtos(), 0, std::min<std::size_t>(8, size));
        else if (type() == 'L' && m_value.isLogical() && size > 0)
            out[0] = m_value.asLogical() ? 'T' : 'F';
    }

private:
    mutable expr::Expression m_expr;
    std::unique_ptr<expr::RecordContext> m_context;
    mutable core::Value m_value;
    mutable std::string m_text;
};

// While a key expression is tried on a blank record, a fault (a name the table does not have, a
// type mismatch) means "does not fit this table": it is reported as a status, not to the error trap.
class QuietFaults final : public core::FaultHandler {
public:
    explicit QuietFaults(std::string* first) : m_first(first), m_previous(core::setFaultHandler(this)) {}
    ~QuietFaults() override { core::setFaultHandler(m_previous); }
    core::FaultAnswer handle(const core::Fault& f) override
    {
        if (m_first->empty())
            *m_first = f.description + (f.operation.empty() ? std::string() : " " + f.operation);
        return core::FaultAnswer::Quit;
    }

private:
    std::string* m_first;
    core::FaultHandler* m_previous;
};

Status unsupported(std::string_view expression, const std::string& why)
{
    return Status::unsupported("key expression \"" + std::string(expression) + "\": " + why);
}

}  // namespace

void encodeNumericKey(double value, int size, int decimals, char* out)
{
    if (size <= 0)
        return;
    if (!field::formatNumber(value, size, decimals, out)) {
        std::memset(out, '*', std::size_t(size));
        return;
    }
    bool negative = false;
    for (int i = 0; i < size; ++i) {
        if (out[i] == ' ') {
            out[i] = '0';
        } else if (out[i] == '-') {
            out[i] = '0';
            negative = true;
        }
    }
    if (negative)
        for (int i = 0; i < size; ++i)
            if (out[i] >= '0' && out[i] <= '9')
                out[i] = char(0x2C - (out[i] - '0'));
}

std::string normalizeKeyExpression(std::string_view expression)
{
    std::string out;
    for (char c : expression)
        if (c != ' ' && c != '\t')
            out.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    return out;
}

// The key forms tables are indexed on (field names joined by '+', DTOS(), STR(), UPPER(), a lone
// N/D/L field), made by copying bytes: the common case, and the one bulk builds of large tables
// need to be fast. Anything else answers Unsupported and goes to the evaluator.
Status compileSimpleKey(std::string_view expression, const Layout& layout, std::unique_ptr<KeySource>* out)
{
    Scanner sc(expression);
    std::vector<Part> parts;
    const Field* single = nullptr;  // a lone N, D or L field
    int width = 0;
    do {
        const std::string word = sc.name();
        if (word.empty())
            return unsupported(expression, "a field name or function expected");
        auto fieldNamed = [&](const std::string& name) -> const Field* {
            const int i = layout.find(name);
            return i < 0 ? nullptr : &layout.fields()[std::size_t(i)];
        };
        Part part{};
        if (sc.take('(')) {
            const std::string fn = core::xbase::upper(word);
            const Field* f = fieldNamed(sc.name());
            if (!f)
                return Status::notFound("key expression \"" + std::string(expression) + "\": no such field");
            if (fn == "DTOS" && f->type == FieldType::Date) {
                part = {Part::Kind::Dtos, f, 8, 0};
            } else if (fn == "UPPER" && f->type == FieldType::Character) {
                part = {Part::Kind::Upper, f, f->length, 0};
            } else if (fn == "STR" && f->type == FieldType::Numeric) {
                int w = 10, d = 0;
                if (sc.take(',')) {
                    if (!sc.integer(&w) || w < 1 || w > kMaxKeySize)
                        return unsupported(expression, "STR width");
                    if (sc.take(',') && (!sc.integer(&d) || d + 2 > w))
                        return unsupported(expression, "STR decimals");
                }
                part = {Part::Kind::Str, f, w, d};
            } else {
                return unsupported(expression, fn + "() of a " + char(f->type) + " field");
            }
            if (!sc.take(')'))
                return unsupported(expression, "')' expected");
        } else {
            const Field* f = fieldNamed(word);
            if (!f)
                return Status::notFound("key expression \"" + std::string(expression) + "\": no field " + word);
            if (f->type == FieldType::Character)
                part = {Part::Kind::Raw, f, f->length, 0};
            else
                single = f;
        }
        if (single && (!parts.empty() || !sc.atEnd()))
            return Status::typeMismatch("key expression \"" + std::string(expression) + "\": " + single->name +
                                        " of type " + char(single->type) + " joined to other values");
        if (!single) {
            parts.push_back(part);
            width += part.width;
        }
    } while (sc.take('+'));
    if (!sc.atEnd())
        return unsupported(expression, "unexpected text");

    std::string text(expression);
    if (single) {
        switch (single->type) {
        case FieldType::Numeric: *out = std::make_unique<NumericKey>(text, single); break;
        case FieldType::Date: *out = std::make_unique<DateKey>(text, single); break;
        case FieldType::Logical: *out = std::make_unique<LogicalKey>(text, single); break;
        case FieldType::Character: break;
        }
        return {};
    }
    *out = std::make_unique<TextKey>(text, std::move(parts), std::min(width, kMaxKeySize));
    return {};
}

Status compileKey(std::string_view expression, const Layout& layout, std::unique_ptr<KeySource>* out)
{
    const Status simple = compileSimpleKey(expression, layout, out);
    if (simple.ok())
        return simple;
    expr::CompileError error;
    expr::Expression e = expr::Expression::compile(expression, &error);
    if (!e.valid())
        return Status::invalidArgument("key expression \"" + std::string(expression) + "\": " + error.message);
    std::vector<expr::RecordField> fields;
    for (const Field& f : layout.fields())
        fields.push_back({f.name, char(f.type), f.offset, f.length, f.decimals});
    auto context = std::make_unique<expr::RecordContext>(std::move(fields));
    // The key's type and size are those of its value on a blank record, as the reference runtime
    // takes them when it creates an index.
    const std::string blank = layout.blankRecord();
    context->setRecord(blank.data());
    core::Value v;
    std::string fault;
    bool evaluated = false;
    {
        QuietFaults quiet(&fault);
        evaluated = e.evaluate(*context, v);
    }
    if (!evaluated)
        return Status::invalidArgument("key expression \"" + std::string(expression) + "\" does not fit the table" +
                                       (fault.empty() ? std::string() : ": " + fault));
    char type = 'C';
    int size = 0, decimals = 0;
    switch (v.type()) {
    case core::Value::Type::Text: size = std::min<int>(int(v.asText().size()), kMaxKeySize); break;
    case core::Value::Type::Number:
        type = 'N';
        decimals = v.decimals();
        size = v.width() > 0 ? v.width() : 10 + (decimals > 0 ? decimals + 1 : 0);
        break;
    case core::Value::Type::Date: type = 'D'; size = 8; break;
    case core::Value::Type::Logical: type = 'L'; size = 1; break;
    default: return Status::typeMismatch("key expression \"" + std::string(expression) + "\" gives no key type");
    }
    if (size < 1 || size > kMaxKeySize || decimals >= size)
        return Status::invalidArgument("key expression \"" + std::string(expression) + "\" gives a key of " +
                                       std::to_string(size) + " bytes");
    *out = std::make_unique<ExpressionKey>(std::string(expression), std::move(e), std::move(context), type, size,
                                           decimals);
    return {};
}

}  // namespace storage
