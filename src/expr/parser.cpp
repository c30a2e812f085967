// Lexer and parser of expression texts.
//
// Grammar, from the loosest rank to the tightest (operators of one rank group left to right and
// become one n-ary chain node, so a long "a+b+c+..." stays one level deep):
//
//   or       := and { ".OR." and }
//   and      := not { ".AND." not }
//   not      := ( ".NOT." | "!" ) not | compare
//   compare  := additive { ( "=" | "==" | "!=" | "<>" | "#" | "<" | "<=" | ">" | ">=" | "$" ) additive }
//   additive := multiply { ( "+" | "-" ) multiply }
//   multiply := power { ( "*" | "/" | "%" ) power }
//   power    := unary { ( "**" | "^" ) unary }
//   unary    := ( "-" | "+" ) unary | postfix
//   postfix  := primary { "[" or { "," or } "]" }
//   primary  := number | text | ".T." | ".F." | ".Y." | ".N." | "(" or ")"
//             | NAME | NAME "(" [ args ] ")" | ALIAS "->" NAME | ALIAS "->" "(" or ")"
//             | "&" NAME | "&" "(" or ")"
//   args     := [ or ] { "," [ or ] }        (an empty argument is NIL)
//
// Texts: "..." and '...'; [...] where an operand is expected; and \"...\" - a text written between
// backslash-quotes, as look-up texts stored in C notation carry their pictures. Inside "..." a
// backslash is an ordinary character ("C:\" is a text). Whitespace: blank, tab, CR, LF.
//
// The nesting count rises with every parenthesised expression, argument list, index, unary operator
// and .NOT.; past kMaxNesting the text does not compile, which bounds the depth of the tree (and of
// the recursion that evaluates and frees it).
#include <cstring>

#include "core/xbase.h"
#include "expr/detail.h"

namespace expr::detail {
namespace {

enum class Tok : unsigned char {
    End, Number, Text, Name, Logical,
    Plus, Minus, Star, Slash, Percent, Power,
    Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar,
    And, Or, Not,
    LParen, RParen, LBracket, RBracket, Comma, Arrow, Amp,
};

struct Token {
    Tok type = Tok::End;
    std::size_t pos = 0;
    std::size_t end = 0;
    std::string text;  // Text: the bytes; Name: the name; Number: the digits
    bool logical = false;
};

struct ParseError {
    std::size_t pos;
    std::string message;
};

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    NodePtr parseAll()
    {
        next();
        if (m_tok.type == Tok::End)
            fail(0, "empty expression");
        NodePtr root = parseNested();
        if (m_tok.type != Tok::End)
            fail(m_tok.pos, "unexpected " + describe(m_tok));
        return root;
    }

private:
    [[noreturn]] void fail(std::size_t pos, std::string message) { throw ParseError{pos, std::move(message)}; }

    std::string describe(const Token& t) const
    {
        if (t.type == Tok::End)
            return "end of text";
        return "'" + std::string(m_text.substr(t.pos, std::min<std::size_t>(t.end - t.pos, 20))) + "'";
    }

    // ---- lexer ----------------------------------------------------------------------------------

    // An operand is expected at the start, after an operator, "(", "[", "," and "->".
    bool operandExpected() const
    {
        switch (m_tok.type) {
        case Tok::Number: case Tok::Text: case Tok::Name: case Tok::Logical: case Tok::RParen:
        case Tok::RBracket:
            return false;
        default:
            return true;
        }
    }

    void next()
    {
        const bool operand = m_started ? operandExpected() : true;
        m_started = true;
        std::size_t i = m_pos;
        while (i < m_text.size() && (m_text[i] == ' ' || m_text[i] == '\t' || m_text[i] == '\r' || m_text[i] == '\n'))
            ++i;
        Token t;
        t.pos = i;
        if (i >= m_text.size()) {
            t.type = Tok::End;
            t.end = i;
            m_tok = std::move(t);
            m_pos = i;
            return;
        }
        const char c = m_text[i];
        const auto at = [&](std::size_t k) { return i + k < m_text.size() ? m_text[i + k] : '\0'; };
        auto simple = [&](Tok type, std::size_t length) {
            t.type = type;
            i += length;
        };

        if (isNameStart(c)) {
            std::size_t j = i;
            while (j < m_text.size() && isNameChar(m_text[j]))
                ++j;
            t.type = Tok::Name;
            t.text = std::string(m_text.substr(i, j - i));
            i = j;
        } else if (isDigit(c) || (c == '.' && isDigit(at(1)) && operand)) {
            std::size_t j = i;
            while (j < m_text.size() && isDigit(m_text[j]))
                ++j;
            // A point belongs to the number unless a letter follows it (1.AND.x).
            if (j < m_text.size() && m_text[j] == '.' && !(j + 1 < m_text.size() && isNameStart(m_text[j + 1]))) {
                ++j;
                while (j < m_text.size() && isDigit(m_text[j]))
                    ++j;
            }
            t.type = Tok::Number;
            t.text = std::string(m_text.substr(i, j - i));
            i = j;
        } else if (c == '.') {
            // .T. .F. .Y. .N. .AND. .OR. .NOT.
            std::size_t j = i + 1;
            while (j < m_text.size() && isNameStart(m_text[j]))
                ++j;
            if (j >= m_text.size() || m_text[j] != '.' || j == i + 1)
                fail(i, "unexpected '.'");
            const std::string word = core::xbase::upper(m_text.substr(i + 1, j - i - 1));
            if (word == "T" || word == "Y" || word == "F" || word == "N") {
                t.type = Tok::Logical;
                t.logical = word == "T" || word == "Y";
            } else if (word == "AND") {
                t.type = Tok::And;
            } else if (word == "OR") {
                t.type = Tok::Or;
            } else if (word == "NOT") {
                t.type = Tok::Not;
            } else {
                fail(i, "unknown operator '." + std::string(m_text.substr(i + 1, j - i - 1)) + ".'");
            }
            i = j + 1;
        } else if (c == '"' || c == '\'' || (c == '[' && operand) || (c == '\\' && at(1) == '"' && operand)) {
            std::string_view close = c == '[' ? "]" : c == '\\' ? "\\\"" : std::string_view(&m_text[i], 1);
            const std::size_t start = i + (c == '\\' ? 2 : 1);
            const std::size_t stop = m_text.find(close, start);
            if (stop == std::string_view::npos)
                fail(i, "unterminated text");
            t.type = Tok::Text;
            t.text = std::string(m_text.substr(start, stop - start));
            i = stop + close.size();
        } else {
            switch (c) {
            case '+': simple(Tok::Plus, 1); break;
            case '-': at(1) == '>' ? simple(Tok::Arrow, 2) : simple(Tok::Minus, 1); break;
            case '*': at(1) == '*' ? simple(Tok::Power, 2) : simple(Tok::Star, 1); break;
            case '/': simple(Tok::Slash, 1); break;
            case '%': simple(Tok::Percent, 1); break;
            case '^': simple(Tok::Power, 1); break;
            case '=': at(1) == '=' ? simple(Tok::ExactEq, 2) : simple(Tok::Eq, 1); break;
            case '!': at(1) == '=' ? simple(Tok::Ne, 2) : simple(Tok::Not, 1); break;
            case '#': simple(Tok::Ne, 1); break;
            case '<':
                if (at(1) == '=')
                    simple(Tok::Le, 2);
                else if (at(1) == '>')
                    simple(Tok::Ne, 2);
                else
                    simple(Tok::Lt, 1);
                break;
            case '>': at(1) == '=' ? simple(Tok::Ge, 2) : simple(Tok::Gt, 1); break;
            case '$': simple(Tok::Dollar, 1); break;
            case '(': simple(Tok::LParen, 1); break;
            case ')': simple(Tok::RParen, 1); break;
            case '[': simple(Tok::LBracket, 1); break;
            case ']': simple(Tok::RBracket, 1); break;
            case ',': simple(Tok::Comma, 1); break;
            case '&': simple(Tok::Amp, 1); break;
            case ':':
                if (at(1) == '=')
                    fail(i, "assignment is not allowed");
                [[fallthrough]];
            default: {
                const unsigned char u = static_cast<unsigned char>(c);
                char buf[32];
                if (u >= 0x21 && u < 0x7F)
                    std::snprintf(buf, sizeof buf, "unexpected character '%c'", c);
                else
                    std::snprintf(buf, sizeof buf, "unexpected byte 0x%02X", u);
                fail(i, buf);
            }
            }
        }
        t.end = i;
        m_pos = i;
        m_tok = std::move(t);
    }

    void expect(Tok type, const char* what)
    {
        if (m_tok.type != type)
            fail(m_tok.pos, std::string("expected ") + what + ", found " + describe(m_tok));
        next();
    }

    // ---- parser ---------------------------------------------------------------------------------

    struct Nest {
        explicit Nest(Parser& p, std::size_t pos) : parser(p)
        {
            if (++parser.m_depth > kMaxNesting)
                parser.fail(pos, "nested deeper than " + std::to_string(kMaxNesting) + " levels");
        }
        ~Nest() { --parser.m_depth; }
        Parser& parser;
    };

    NodePtr parseNested()
    {
        Nest nest(*this, m_tok.pos);
        return parseOr();
    }

    template <typename Sub, typename Match>
    NodePtr parseChain(Sub sub, Match match)
    {
        const std::size_t pos = m_tok.pos;
        NodePtr first = (this->*sub)();
        Op op;
        if (!match(m_tok.type, op))
            return first;
        std::vector<NodePtr> operands;
        std::vector<Op> ops;
        operands.push_back(std::move(first));
        while (match(m_tok.type, op)) {
            next();
            ops.push_back(op);
            operands.push_back((this->*sub)());
        }
        return makeChain(pos, std::move(operands), std::move(ops));
    }

    NodePtr parseOr()
    {
        return parseChain(&Parser::parseAnd, [](Tok t, Op& op) {
            op = Op::Or;
            return t == Tok::Or;
        });
    }

    NodePtr parseAnd()
    {
        return parseChain(&Parser::parseNot, [](Tok t, Op& op) {
            op = Op::And;
            return t == Tok::And;
        });
    }

    NodePtr parseNot()
    {
        if (m_tok.type == Tok::Not) {
            const std::size_t pos = m_tok.pos;
            Nest nest(*this, pos);
            next();
            return makeNot(pos, parseNot());
        }
        return parseCompare();
    }

    NodePtr parseCompare()
    {
        return parseChain(&Parser::parseAdditive, [](Tok t, Op& op) {
            switch (t) {
            case Tok::Eq: op = Op::Eq; return true;
            case Tok::ExactEq: op = Op::ExactEq; return true;
            case Tok::Ne: op = Op::Ne; return true;
            case Tok::Lt: op = Op::Lt; return true;
            case Tok::Le: op = Op::Le; return true;
            case Tok::Gt: op = Op::Gt; return true;
            case Tok::Ge: op = Op::Ge; return true;
            case Tok::Dollar: op = Op::Contains; return true;
            default: return false;
            }
        });
    }

    NodePtr parseAdditive()
    {
        return parseChain(&Parser::parseMultiply, [](Tok t, Op& op) {
            op = t == Tok::Plus ? Op::Add : Op::Sub;
            return t == Tok::Plus || t == Tok::Minus;
        });
    }

    NodePtr parseMultiply()
    {
        return parseChain(&Parser::parsePower, [](Tok t, Op& op) {
            op = t == Tok::Star ? Op::Mul : t == Tok::Slash ? Op::Div : Op::Mod;
            return t == Tok::Star || t == Tok::Slash || t == Tok::Percent;
        });
    }

    NodePtr parsePower()
    {
        return parseChain(&Parser::parseUnary, [](Tok t, Op& op) {
            op = Op::Pow;
            return t == Tok::Power;
        });
    }

    NodePtr parseUnary()
    {
        if (m_tok.type == Tok::Minus || m_tok.type == Tok::Plus) {
            const bool negate = m_tok.type == Tok::Minus;
            const std::size_t pos = m_tok.pos;
            Nest nest(*this, pos);
            next();
            NodePtr operand = parseUnary();
            return negate ? makeNegate(pos, std::move(operand)) : makeUnaryPlus(pos, std::move(operand));
        }
        return parsePostfix();
    }

    NodePtr parsePostfix()
    {
        NodePtr node = parsePrimary();
        while (m_tok.type == Tok::LBracket) {
            const std::size_t pos = m_tok.pos;
            next();
            std::vector<NodePtr> indexes;
            indexes.push_back(parseNested());
            while (m_tok.type == Tok::Comma) {
                next();
                indexes.push_back(parseNested());
            }
            expect(Tok::RBracket, "']'");
            node = makeIndex(pos, std::move(node), std::move(indexes));
        }
        return node;
    }

    NodePtr parsePrimary()
    {
        const std::size_t pos = m_tok.pos;
        switch (m_tok.type) {
        case Tok::Number: {
            core::Value n = numberLiteral(m_tok.text);
            next();
            return makeLiteral(pos, std::move(n));
        }
        case Tok::Text: {
            std::string text = std::move(m_tok.text);
            next();
            return makeLiteral(pos, core::Value::text(std::move(text)));
        }
        case Tok::Logical: {
            const bool b = m_tok.logical;
            next();
            return makeLiteral(pos, core::Value::logical(b));
        }
        case Tok::LParen: {
            next();
            NodePtr inner = parseNested();
            expect(Tok::RParen, "')'");
            return inner;
        }
        case Tok::Amp: {
            next();
            Nest nest(*this, pos);
            if (m_tok.type == Tok::Name) {
                const std::size_t namePos = m_tok.pos;
                std::string name = std::move(m_tok.text);
                next();
                return makeMacro(pos, makeName(namePos, Scope::Memvar, {}, std::move(name)));
            }
            if (m_tok.type == Tok::LParen) {
                next();
                NodePtr inner = parseNested();
                expect(Tok::RParen, "')'");
                return makeMacro(pos, std::move(inner));
            }
            fail(m_tok.pos, "expected a variable name or '(' after '&'");
        }
        case Tok::Name:
            return parseName();
        case Tok::End:
            fail(pos, "expected an operand at the end of the text");
        default:
            fail(pos, "expected an operand, found " + describe(m_tok));
        }
    }

    NodePtr parseName()
    {
        const std::size_t pos = m_tok.pos;
        std::string name = std::move(m_tok.text);
        next();
        if (m_tok.type == Tok::LParen)
            return parseCall(pos, name);
        if (m_tok.type != Tok::Arrow)
            return makeName(pos, Scope::Any, {}, std::move(name));

        // alias->field, alias->(expression), FIELD->name, M->name
        const std::string upper = core::xbase::upper(name);
        Scope scope = Scope::Alias;
        if (upper == "FIELD" || upper == "_FIELD")
            scope = Scope::Field;
        else if (upper == "M" || upper == "MEMVAR")
            scope = Scope::Memvar;
        next();
        if (m_tok.type == Tok::LParen && scope == Scope::Alias) {
            next();
            NodePtr inner = parseNested();
            expect(Tok::RParen, "')'");
            return makeAliased(pos, std::move(name), std::move(inner));
        }
        if (m_tok.type != Tok::Name)
            fail(m_tok.pos, "expected a field name after '->', found " + describe(m_tok));
        std::string field = std::move(m_tok.text);
        next();
        if (m_tok.type == Tok::LParen)
            fail(m_tok.pos, "a function cannot be called through '->'; write " + name + "->(...)");
        if (scope != Scope::Alias)
            name.clear();
        return makeName(pos, scope, std::move(name), std::move(field));
    }

    NodePtr parseCall(std::size_t pos, const std::string& name)
    {
        const FunctionDef* def = findFunction(name);
        if (!def)
            fail(pos, "unknown function " + name);
        Nest nest(*this, pos);
        next();  // "("
        std::vector<NodePtr> args;
        if (m_tok.type != Tok::RParen) {
            for (;;) {
                if (m_tok.type == Tok::Comma || m_tok.type == Tok::RParen)
                    args.push_back(makeLiteral(m_tok.pos, core::Value()));
                else
                    args.push_back(parseOr());
                if (m_tok.type != Tok::Comma)
                    break;
                next();
            }
        }
        expect(Tok::RParen, "')' or ','");
        return makeCall(pos, *def, std::move(args));
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    Token m_tok;
    bool m_started = false;
    int m_depth = 0;
};

}  // namespace

NodePtr parse(std::string_view text, CompileError& error)
{
    if (text.size() > kMaxSourceLength) {
        error = {kMaxSourceLength, "expression text longer than " + std::to_string(kMaxSourceLength) + " bytes"};
        return nullptr;
    }
    try {
        return Parser(text).parseAll();
    } catch (const ParseError& e) {
        error = {e.pos, e.message};
        return nullptr;
    }
}

}  // namespace expr::detail
