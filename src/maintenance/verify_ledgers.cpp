#include "maintenance/verify_ledgers.h"

#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/paths.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/catalogue.h"
#include "storage/field_codec.h"
#include "storage/key_source.h"
#include "storage/table.h"

namespace maintenance {
namespace {

using D = RuleDocuments;

// Conditions and keys several rules share.
constexpr const char* kStockKey = "PRODUCT+WHOUSE";
constexpr const char* kOrderKey = "COMPANY+PRODUCT+LEFT(REMARK4,10)";
constexpr const char* kOrdered = "CORCTRL=='1' .AND. !EMPTY(REMARK4)";
constexpr const char* kOnAccount = "ROUND(AMOUNT-CASH-CHEQUE,2)<>0";
// Voucher lines: "REC" and "INV" settle a ticket of the first table the voucher opens ("Data1"),
// "CAN" and "RET" one of the second; "OTH" settles nothing. A line finds its ticket by the
// ticket's first weighing date, time and number.
constexpr const char* kSettlesFirst = "TRIM(TYPE)=='REC' .OR. TRIM(TYPE)=='INV'";
constexpr const char* kSettlesSecond = "TRIM(TYPE)=='CAN' .OR. TRIM(TYPE)=='RET'";
constexpr const char* kSettledKey = "DTOS(DATE)+TIME+TICKET";

// How every document moves the ledgers, one row per (document kind, ledger field). A reversal
// takes out exactly what the posting it undoes put in, so what stays is the posting of each
// document as it now stands - except for a complete ticket that was deleted: its reversal took out
// DRCR - CLEAR, leaving the part settled at that moment (its CLEAR) in the account, where the
// voucher that paid it still counts. Tickets with goods (purchases, returns to suppliers, sales,
// customer returns) have the rows their signs give (storage::ticketLedgerSigns), which
// postingRules() puts ahead of these.
constexpr PostingRule kOtherRules[] = {
    // Weighing for hire: the customer's account only, and only when not everything was paid at once.
    {"Wdata5", "TRK05", D::LiveComplete, kOnAccount, "ArAcc", "COMPANY", "BALANCE", "DRCR"},
    {"Wdata5", "TRK05", D::MarkedComplete, kOnAccount, "ArAcc", "COMPANY", "BALANCE", "CLEAR"},
    // Payments and receipts lower the balance by what was paid (a deduction from the loan is paid
    // too, and lowers the loan); loans given and taken raise the loan balance.
    {"Money1", "MON01", D::Live, "", "ApAcc", "COMPANY", "BALANCE", "-(CASH+CHEQUE+DRCR)"},
    {"Money1", "MON01", D::Live, "", "ApAcc", "COMPANY", "BORROW", "-DRCR"},
    {"Money2", "MON02", D::Live, "", "ArAcc", "COMPANY", "BALANCE", "-(CASH+CHEQUE+DRCR)"},
    {"Money2", "MON02", D::Live, "", "ArAcc", "COMPANY", "BORROW", "-DRCR"},
    {"Money3", "MON03", D::Live, "", "ApAcc", "COMPANY", "BORROW", "CASH+CHEQUE"},
    {"Money4", "MON04", D::Live, "", "ArAcc", "COMPANY", "BORROW", "CASH+CHEQUE"},
    // Voucher lines settle their tickets: payments those of Wdata1 and Wdata2, receipts those of
    // Wdata3 and Wdata4.
    {"Detail1", "MON_1", D::Live, kSettlesFirst, "Wdata1", kSettledKey, "CLEAR", "AMOUNT"},
    {"Detail1", "MON_1", D::Live, kSettlesSecond, "Wdata2", kSettledKey, "CLEAR", "AMOUNT"},
    {"Detail2", "MON_2", D::Live, kSettlesFirst, "Wdata3", kSettledKey, "CLEAR", "AMOUNT"},
    {"Detail2", "MON_2", D::Live, kSettlesSecond, "Wdata4", kSettledKey, "CLEAR", "AMOUNT"},
    // Production lines: the quantity in the line's unit times the unit's rate (0 counts as 1).
    {"Detail3", "STK_1", D::Live, "", "Stock", "CODE+WHOUSE", "BALANCE", "QTY*NRATE"},
};

// The ledgers compared, with their row key (the order the postings seek on) and the fields the
// rules post to. Rows of the first three are created by the posting that first needs them; an
// order or a ticket that a document names and that is not there receives nothing.
struct LedgerDef {
    const char* table;
    const char* key;
    const char* keyFields;  // the key's fields in key order, for showing a row
    const char* fields;
    const char* checkedWhen;  // "" always
    bool rowsMadeByPosting;
    const char* flagField;    // a field recomputed whole (ACCOUNT); nullptr: none
    const char* flag;         // its expression on the row (NREFS: the voucher lines naming it)
};

// A ticket's ACCOUNT is set by every posting and reversal of the ticket and by every line that
// settles it: "1" when nothing of DRCR is open, else blank. An open ticket no line ever named
// was never posted and keeps the blank of its first save.
constexpr const char* kAccountFlag = "IIF(STAT=='2' .OR. NREFS>0, IIF(ROUND(DRCR-CLEAR,2)==0,'1',' '), ' ')";
constexpr const char* kTicketKey = "DTOS(DAYIN)+TMIN+TICKET";

constexpr LedgerDef kLedgers[] = {
    {"Stock", "CODE+WHOUSE", "CODE,WHOUSE", "BALANCE", "", true, nullptr, nullptr},
    {"ApAcc", "CODE", "CODE", "BALANCE,BORROW", "", true, nullptr, nullptr},
    {"ArAcc", "CODE", "CODE", "BALANCE,BORROW", "", true, nullptr, nullptr},
    {"OrAcc", "COMPANY+PRODUCT+CODE", "COMPANY,PRODUCT,CODE", "WEIGHT,AMOUNT", "CORCTRL=='1'", false, nullptr, nullptr},
    {"Wdata1", kTicketKey, "DAYIN,TMIN,TICKET", "CLEAR", "", false, "ACCOUNT", kAccountFlag},
    {"Wdata2", kTicketKey, "DAYIN,TMIN,TICKET", "CLEAR", "", false, "ACCOUNT", kAccountFlag},
    {"Wdata3", kTicketKey, "DAYIN,TMIN,TICKET", "CLEAR", "", false, "ACCOUNT", kAccountFlag},
    {"Wdata4", kTicketKey, "DAYIN,TMIN,TICKET", "CLEAR", "", false, "ACCOUNT", kAccountFlag},
    {"Wdata5", kTicketKey, "DAYIN,TMIN,TICKET", "CLEAR", "", false, "ACCOUNT", kAccountFlag},
};

constexpr double kHalfHundredth = 0.005;

std::vector<std::string> split(std::string_view list)
{
    std::vector<std::string> out;
    while (!list.empty()) {
        const auto comma = list.find(',');
        out.emplace_back(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return out;
}

// A table read whole into memory: its layout and its records (flag byte first).
struct Loaded {
    std::string file;
    storage::Layout layout;
    std::vector<std::string> records;
};

bool load(const std::string& folder, const storage::TableDef& def, Loaded* out, std::string* problem)
{
    out->file = storage::tableFileName(def);
    const std::string path = core::paths::join(folder, out->file);
    std::unique_ptr<storage::Table> t;
    storage::Status s = storage::Table::open(path, storage::ShareMode::Shared, &t);
    const std::uint32_t count = s.ok() ? t->recCount() : 0;
    for (std::uint32_t n = 1; s.ok() && n <= count; ++n) {
        const char* rec = nullptr;
        s = t->goTo(n);
        if (s.ok())
            s = t->record(&rec);
        if (s.ok())
            out->records.emplace_back(rec, t->layout().recordLength());
    }
    if (!s.ok()) {
        *problem = out->file + ": " + s.toString();
        return false;
    }
    out->layout = t->layout();
    return t->close().ok();
}

std::vector<expr::RecordField> recordFields(const storage::Layout& layout)
{
    std::vector<expr::RecordField> out;
    for (const storage::Field& f : layout.fields())
        out.push_back({f.name, char(f.type), f.offset, f.length, f.decimals});
    return out;
}

expr::Expression compile(const char* text)
{
    expr::CompileError error;
    expr::Expression e = expr::Expression::compile(text, &error);
    if (!e.valid())
        throw std::logic_error("ledger rule does not compile: " + error.describe(text));
    return e;
}

std::unique_ptr<storage::KeySource> compileKey(const char* text, const storage::Layout& layout)
{
    std::unique_ptr<storage::KeySource> k;
    if (const storage::Status s = storage::compileKey(text, layout, &k); !s.ok())
        throw std::logic_error("ledger key " + std::string(text) + ": " + s.toString());
    return k;
}

// Evaluation over one table's records: its fields first, then the check's own variables.
class RecordEval {
public:
    RecordEval(const storage::Layout& layout, core::ValueMap& variables)
        : m_record(recordFields(layout)), m_variables(variables), m_chain({&m_record, &m_variables})
    {
    }
    void setRecord(const char* rec) { m_record.setRecord(rec); }
    core::Value evaluate(expr::Expression& e)
    {
        core::Value v;
        if (!e.evaluate(m_chain, v))
            v = core::Value();
        return v;
    }

private:
    expr::RecordContext m_record;
    expr::ValueMapContext m_variables;
    expr::ChainContext m_chain;
};

struct Cell {
    double sum = 0;
    int fractional = 0;  // postings with more than two decimals, each rounded when stored
    double tolerance() const { return kHalfHundredth * (1 + fractional); }
};

struct Expected {
    std::map<std::string, Cell> fields;
    int refs = 0;  // documents naming the row, marked or not
};

std::string number(double v)
{
    return core::xbase::decimalText(v, 2);
}

// The row's key fields, shown: texts trimmed, dates dd/mm/yyyy, " / " between.
std::string showKey(const std::string& key, const storage::Layout& layout, const std::vector<std::string>& fields)
{
    std::string out;
    std::size_t at = 0;
    for (const std::string& name : fields) {
        const int i = layout.find(name);
        if (i < 0)
            continue;
        const storage::Field& f = layout.fields()[std::size_t(i)];
        const std::size_t width = f.type == storage::FieldType::Date ? 8 : f.length;
        const std::string part = at < key.size() ? key.substr(at, width) : std::string();
        at += width;
        if (!out.empty())
            out += " / ";
        out += f.type == storage::FieldType::Date ? core::Date::fromDtos(part).dtoc() : core::xbase::rtrim(part);
    }
    return out;
}

class Check {
public:
    explicit Check(const core::Settings& settings) : m_settings(settings) {}

    LedgerCheck run()
    {
        if (!loadAll())
            return std::move(m_out);
        m_variables.setText("CORCTRL", m_settings.text("CORCTRL"));
        m_variables.setNumber("NRATE", 1, 3);
        m_variables.setNumber("NREFS", 0);
        for (const PostingRule& rule : postingRules())
            post(rule);
        for (const LedgerDef& ledger : kLedgers)
            compare(ledger);
        return std::move(m_out);
    }

private:
    bool loadAll()
    {
        const std::string data = m_settings.text("CDRV2");
        const std::string codes = m_settings.text("CDRV1");
        std::vector<const char*> names;
        for (const PostingRule& r : postingRules())
            names.push_back(r.document);
        for (const LedgerDef& l : kLedgers)
            names.push_back(l.table);
        names.push_back("Unit");
        for (const char* name : names) {
            if (m_tables.count(name))
                continue;
            const storage::TableDef* def = storage::findTable(name);
            std::string problem;
            const std::string& folder = std::string(def->folderSetting) == "CDRV1" ? codes : data;
            if (!load(folder, *def, &m_tables[name], &problem))
                m_out.problems.push_back(problem);
        }
        if (!m_out.problems.empty())
            return false;
        const Loaded& units = m_tables["Unit"];
        const int code = units.layout.find("CODE"), rate = units.layout.find("RATE");
        for (const std::string& rec : units.records) {
            if (code < 0 || rate < 0)
                break;
            const double r = storage::field::number(units.layout.fields()[std::size_t(rate)], rec.data());
            m_rates.emplace(std::string(storage::field::raw(units.layout.fields()[std::size_t(code)], rec.data())),
                            r == 0 ? 1 : r);
        }
        return true;
    }

    // The unit's rate of a record with a UNIT field (a unit that is missing counts as 1, as the
    // posting reads a blank rate then).
    double rateOf(const Loaded& t, const char* rec) const
    {
        const int unit = t.layout.find("UNIT");
        if (unit < 0)
            return 1;
        const auto it = m_rates.find(std::string(storage::field::raw(t.layout.fields()[std::size_t(unit)], rec)));
        return it == m_rates.end() ? 1 : it->second;
    }

    void post(const PostingRule& rule)
    {
        const Loaded& doc = m_tables[rule.document];
        const Loaded& ledger = m_tables[rule.ledger];
        const auto ledgerKey = compileKey(ledgerDef(rule.ledger).key, ledger.layout);
        const auto key = compileKey(rule.key, doc.layout);
        key->setShape(ledgerKey->naturalSize(), 0);
        expr::Expression condition = *rule.condition ? compile(rule.condition) : expr::Expression();
        expr::Expression amount = compile(rule.amount);
        RecordEval eval(doc.layout, m_variables);
        const int stat = doc.layout.find("STAT");
        std::string k;
        for (const std::string& rec : doc.records) {
            eval.setRecord(rec.data());
            m_variables.setNumber("NRATE", rateOf(doc, rec.data()), 3);
            if (condition.valid() && !eval.evaluate(condition).asLogical())
                continue;
            key->key(rec.data(), k);
            Expected& row = m_expected[rule.ledger][k];
            ++row.refs;
            const bool marked = rec[0] == storage::dbf::kDeletedFlag;
            const bool complete =
                stat >= 0 && storage::field::raw(doc.layout.fields()[std::size_t(stat)], rec.data())[0] == '2';
            const bool counts = rule.documents == D::Live ? !marked
                                : rule.documents == D::LiveComplete ? !marked && complete
                                                                     : marked && complete;
            if (!counts)
                continue;
            const double v = eval.evaluate(amount).asNumber();
            Cell& cell = row.fields[rule.field];
            cell.sum += v;
            if (std::fabs(v * 100 - std::round(v * 100)) > 1e-3)
                ++cell.fractional;
        }
    }

    static const LedgerDef& ledgerDef(std::string_view table)
    {
        for (const LedgerDef& l : kLedgers)
            if (table == l.table)
                return l;
        throw std::logic_error("no ledger " + std::string(table));
    }

    void differ(LedgerDifference d)
    {
        ++m_out.tables.back().differences;
        m_out.differences.push_back(std::move(d));
    }

    void compare(const LedgerDef& def)
    {
        const Loaded& t = m_tables[def.table];
        m_out.tables.push_back({t.file, t.records.size(), 0, true, {}});
        if (*def.checkedWhen) {
            expr::ValueMapContext settings(m_variables);
            expr::Expression when = compile(def.checkedWhen);
            core::Value v;
            if (!when.evaluate(settings, v) || !v.asLogical()) {
                m_out.tables.back().checked = false;
                m_out.tables.back().note = "not checked: order control ([Misc] Order) is off";
                return;
            }
        }
        const auto key = compileKey(def.key, t.layout);
        const std::vector<std::string> keyFields = split(def.keyFields);
        const std::vector<std::string> fields = split(def.fields);
        std::map<std::string, Expected>& expected = m_expected[def.table];
        expr::Expression flag = def.flag ? compile(def.flag) : expr::Expression();
        RecordEval eval(t.layout, m_variables);
        // Postings seek the key and change the first row that has it (in key order: the lowest
        // record number); a further row of the same key receives nothing.
        std::map<std::string, std::size_t> first;
        std::vector<std::string> keys(t.records.size());
        for (std::size_t i = 0; i < t.records.size(); ++i) {
            key->key(t.records[i].data(), keys[i]);
            first.emplace(keys[i], i);
        }
        static const Expected kNothing;
        for (std::size_t i = 0; i < t.records.size(); ++i) {
            const char* rec = t.records[i].data();
            const bool isFirst = first[keys[i]] == i;
            const auto found = expected.find(keys[i]);
            const Expected& e = isFirst && found != expected.end() ? found->second : kNothing;
            std::string row = showKey(keys[i], t.layout, keyFields);
            if (!isFirst)
                row += " (record " + std::to_string(i + 1) + ", a second row of this key)";
            for (const std::string& name : fields) {
                const int fi = t.layout.find(name);
                if (fi < 0)
                    continue;
                const double stored = storage::field::number(t.layout.fields()[std::size_t(fi)], rec);
                const auto c = e.fields.find(name);
                const Cell cell = c == e.fields.end() ? Cell() : c->second;
                if (std::fabs(stored - cell.sum) > cell.tolerance())
                    differ({t.file, row, name, false, number(stored), number(cell.sum), number(stored - cell.sum)});
            }
            if (const int fi = def.flagField ? t.layout.find(def.flagField) : -1; flag.valid() && fi >= 0) {
                eval.setRecord(rec);
                m_variables.setNumber("NREFS", e.refs);
                const std::string want = eval.evaluate(flag).toDisplayText();
                const std::string have(storage::field::raw(t.layout.fields()[std::size_t(fi)], rec));
                if (want != have)
                    differ({t.file, row, def.flagField, false, '"' + have + '"', '"' + want + '"', {}});
            }
        }
        for (const auto& [k, e] : expected) {
            if (first.count(k))
                continue;
            for (const auto& [name, cell] : e.fields) {
                if (std::fabs(cell.sum) <= cell.tolerance())
                    continue;
                const std::string row = showKey(k, t.layout, keyFields);
                if (def.rowsMadeByPosting)
                    differ({t.file, row, name, true, {}, number(cell.sum), {}});
                else
                    m_out.notes.push_back(t.file + ": documents name " + row + ", which is not there; " + name +
                                          " " + number(cell.sum) + " was posted to nothing");
            }
        }
    }

    const core::Settings& m_settings;
    LedgerCheck m_out;
    std::map<std::string, Loaded> m_tables;
    std::map<std::string, double> m_rates;  // unit code (stored bytes) -> rate
    std::map<std::string, std::map<std::string, Expected>> m_expected;  // ledger -> key -> values
    core::ValueMap m_variables;  // CORCTRL, NRATE, NREFS
};

}  // namespace

std::span<const PostingRule> postingRules()
{
    static const std::vector<PostingRule> rules = [] {
        std::vector<PostingRule> out;
        const auto signed_ = [](int sign, const char* up, const char* down) { return sign < 0 ? down : up; };
        for (const storage::TicketLedgerSigns& s : storage::ticketLedgerSigns()) {
            out.push_back({s.table, s.code, D::LiveComplete, "", "Stock", kStockKey, "BALANCE",
                           signed_(s.stock, "QTY", "-QTY")});
            out.push_back({s.table, s.code, D::LiveComplete, "", s.accountLedger, "COMPANY", "BALANCE",
                           signed_(s.account, "DRCR", "-DRCR")});
            out.push_back({s.table, s.code, D::MarkedComplete, "", s.accountLedger, "COMPANY", "BALANCE",
                           signed_(s.account, "CLEAR", "-CLEAR")});
            if (s.salesOrder) {
                out.push_back({s.table, s.code, D::LiveComplete, kOrdered, "OrAcc", kOrderKey, "WEIGHT",
                               signed_(s.account, "QTY", "-QTY")});
                out.push_back({s.table, s.code, D::LiveComplete, kOrdered, "OrAcc", kOrderKey, "AMOUNT",
                               signed_(s.account, "AMOUNT", "-AMOUNT")});
            }
        }
        out.insert(out.end(), std::begin(kOtherRules), std::end(kOtherRules));
        return out;
    }();
    return rules;
}

LedgerCheck verifyLedgers(const core::Settings& settings)
{
    return Check(settings).run();
}

}  // namespace maintenance
