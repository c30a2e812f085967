// A seeded randomized run of the books. Two workstations - two sets of screens, each screen with its
// own workspace on one site's folder - take turns at operations drawn from one generator: weighings
// of all five kinds, edits, deletions and undeletions of tickets, payments and receipts with lines
// from the selection and typed by hand, lines changed and marked, loans, production records and
// their lines, each through the screen models the dialogs drive. After every operation the ledgers
// are checked against what the documents alone say, read from the tables and never through the
// posting code; every few operations the ledger verification runs too. An operation the program
// refuses is fine: the books must hold all the same.
//
// MERVO_SOAK_SEED and MERVO_SOAK_STEPS replace the seed and the number of operations;
// MERVO_SOAK_FROM starts at the round of that operation (a replay); MERVO_SOAK_TRACE prints what
// each operation did. Every kRoundSteps operations start on a fresh site, drawn from the seed and
// the round's number alone. A failure prints the seed, the step, and the shortest list of
// operations found that still fails the same check on a fresh site, with what each did.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <stdexcept>
#include <type_traits>

#include "core/clock.h"
#include "core/xbase.h"
#include "maintenance/verify_ledgers.h"
#include "reports/analysis.h"
#include "reports/engine.h"
#include "reports/tables.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/temp_dir.h"
#include "voucher_fixture.h"
#include "weighing/payment.h"

using namespace accounts;
using namespace vouchertest;
namespace wt = weighingtest;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::uint64_t kDefaultSeed = 20261205;
constexpr long kDefaultSteps = kSanitized ? 500 : 2000;
constexpr int kRoundSteps = 250;
constexpr int kVerifyEvery = 10;
constexpr int kMaxReports = 3;
// One operation in this many acts on the document its screen already shows, as it was last read,
// though the other workstation may have changed or deleted it since.
constexpr std::uint32_t kStayOneIn = 4;
// How long shrinking the failures of one run may take in all: within the test's time limit.
constexpr std::chrono::seconds kShrinkBudget(kSanitized ? 60 : 150);

std::uint64_t splitmix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The choices of one operation, drawn in a fixed order from its own seed.
struct Draw {
    std::uint64_t state;
    std::uint32_t take(std::uint32_t n) { return n == 0 ? 0 : std::uint32_t(splitmix(state) % n); }
    bool chance(std::uint32_t inN) { return take(inN) == 0; }
};

double money(double v)
{
    return core::xbase::roundDecimal(v, 2);
}

std::string trim(const core::Value& v)
{
    return v.isText() ? core::xbase::alltrim(v.asText()) : std::string();
}

// ---- Operations

enum class Op : std::uint8_t {
    Weigh, EditTicket, DeleteTicket,
    NewVoucher, EditVoucher, DeleteVoucher, SelectTickets, HandLine, ChangeLine, MarkLine,
    NewProduction, ProductionLines, ChangeProductionLine, MarkProductionLine, DeleteProduction,
};
constexpr std::pair<Op, int> kMix[] = {
    {Op::Weigh, 30},        {Op::EditTicket, 8},     {Op::DeleteTicket, 5},         {Op::NewVoucher, 7},
    {Op::EditVoucher, 4},   {Op::DeleteVoucher, 4},  {Op::SelectTickets, 8},        {Op::HandLine, 7},
    {Op::ChangeLine, 4},    {Op::MarkLine, 6},       {Op::NewProduction, 3},        {Op::ProductionLines, 3},
    {Op::ChangeProductionLine, 3}, {Op::MarkProductionLine, 4}, {Op::DeleteProduction, 3},
};

struct Step {
    Op op;
    int ws;             // 0 or 1
    int kind;           // ticket kind 1-5, voucher kind 1-4
    bool stay;          // acts on the document the screen shows instead of moving first
    std::uint64_t seed;  // the operation's own choices
    int day;            // the business day it happens on, from the first day of the round
};

// A round's business days start on this one and move on one every kStepsADay operations, so the
// statements have documents before and after their start date.
constexpr int kStepsADay = 50;
core::Date businessDay(int day)
{
    return core::Date::fromYmd(2026, 12, 1).addDays(day);
}

// The operations of one round: a function of the seed and the round's number alone.
std::vector<Step> generate(std::uint64_t seed, long round, int count)
{
    std::uint64_t state = seed * 1000003u + std::uint64_t(round);
    const int total =
        std::accumulate(std::begin(kMix), std::end(kMix), 0, [](int n, auto m) { return n + m.second; });
    std::vector<Step> out;
    for (int i = 0; i < count; ++i) {
        Draw d{splitmix(state)};
        int pick = int(d.take(std::uint32_t(total)));
        Op op = kMix[0].first;
        for (const auto& [o, w] : kMix)
            if ((pick -= w) < 0) {
                op = o;
                break;
            }
        const bool lines = op == Op::SelectTickets || op == Op::HandLine || op == Op::ChangeLine || op == Op::MarkLine;
        const int kind = op <= Op::DeleteTicket ? 1 + int(d.take(5)) : lines ? 1 + int(d.take(2)) : 1 + int(d.take(4));
        out.push_back({op, int(d.take(2)), kind, d.chance(kStayOneIn), splitmix(state), i / kStepsADay});
    }
    return out;
}

// ---- The books as the tables hold them

struct Ticket {
    int kind;
    bool deleted;
    std::string stat, number, company, product, whouse, order, account, key;
    double qty, amount, drcr, clear;
    core::Date dayin;
    std::string tmin;
};
struct Voucher {
    int kind;
    bool deleted;
    std::string number, company, indent;
    double amount, paid, cash, cheque, deduction;
    core::Date date;
};
struct Line {
    std::uint32_t recno;
    bool deleted;
    std::string indent, type, key, code, whouse, unit;
    double amount, qty;
    core::Date date;  // production lines: the record's date
};
using Accounts = std::array<std::map<std::string, std::pair<double, double>>, 2>;  // ApAcc, ArAcc by code

struct Books {
    std::array<std::vector<Ticket>, 6> tickets;    // by kind
    std::array<std::vector<Voucher>, 5> vouchers;  // by kind
    std::array<std::vector<Line>, 4> lines;        // Detail1..Detail3
    std::vector<std::pair<bool, std::string>> production;  // deleted, INDENT
    std::map<std::string, double> rates, stock, orderWeight, orderAmount;
    Accounts accounts;  // BALANCE, BORROW
};

// A record of a table as another program reads it: its fields by name, texts trimmed.
struct Record {
    storage::Table& table;
    core::Value get(const char* field) const
    {
        core::Value v;
        if (!table.get(field, &v).ok())
            [&] { FAIL() << "cannot read " << field; }();
        return v;
    }
    std::string text(const char* field) const { return trim(get(field)); }
    double number(const char* field) const { return get(field).asNumber(); }
    core::Date date(const char* field) const { return get(field).asDate(); }
    // A document's key among the lines settling it: first-weighing date, time and number.
    std::string key(const char* date, const char* time, const char* number) const
    {
        return get(date).asDate().dtos() + "|" + text(time) + "|" + text(number);
    }
};

void eachRecord(const Site& site, const std::string& name, const std::function<void(bool, const Record&)>& row)
{
    const storage::TableDef* def = storage::findTable(name.c_str());
    std::unique_ptr<storage::Table> t;
    ASSERT_TRUE(storage::Table::open(testsupport::tablePath(site.dir() + "/site", *def), storage::ShareMode::Shared, &t)
                    .ok())
        << name;
    for (std::uint32_t r = 1; r <= t->recCount(); ++r) {
        ASSERT_TRUE(t->goTo(r).ok());
        row(t->deleted(), Record{*t});
    }
    (void)t->close();
}

// A field of the stock ledger, by "product/warehouse".
std::map<std::string, double> readStock(const Site& site, const char* field)
{
    std::map<std::string, double> out;
    eachRecord(site, "Stock",
               [&](bool, const Record& r) { out[r.text("CODE") + "/" + r.text("WHOUSE")] += r.number(field); });
    return out;
}

// Two fields of the suppliers' (ApAcc) and customers' (ArAcc) ledgers, by code.
Accounts readAccounts(const Site& site, const char* balance, const char* borrow)
{
    Accounts out;
    for (std::size_t i = 0; i < 2; ++i)
        eachRecord(site, i == 0 ? "ApAcc" : "ArAcc", [&](bool, const Record& r) {
            auto& row = out[i][r.text("CODE")];
            row.first += r.number(balance);
            row.second += r.number(borrow);
        });
    return out;
}

Books readBooks(const Site& site)
{
    Books b;
    for (int k = 1; k <= 5; ++k) {
        const bool goods = k != 5, sales = k == 3 || k == 4;
        eachRecord(site, "Wdata" + std::to_string(k), [&](bool deleted, const Record& r) {
            const core::Value account = r.get("ACCOUNT");
            b.tickets[std::size_t(k)].push_back(
                {k, deleted, r.text("STAT"), r.text("TICKET"), r.text("COMPANY"),
                 goods ? r.text("PRODUCT") : "", goods ? r.text("WHOUSE") : "",
                 sales ? r.text("REMARK4").substr(0, 10) : "",
                 account.isText() ? account.asText() : "", r.key("DAYIN", "TMIN", "TICKET"),
                 r.number(goods ? "QTY" : "AMOUNT"), r.number("AMOUNT"), r.number("DRCR"), r.number("CLEAR"),
                 r.date("DAYIN"), r.text("TMIN")});
        });
    }
    for (int k = 1; k <= 4; ++k)
        eachRecord(site, "Money" + std::to_string(k), [&](bool deleted, const Record& r) {
            const double cash = r.number("CASH"), cheque = r.number("CHEQUE"), deduction = r.number("DRCR");
            b.vouchers[std::size_t(k)].push_back({k, deleted, r.text("TICKET"), r.text("COMPANY"),
                                                  r.text("INDENT"), r.number("AMOUNT"), cash + cheque + deduction,
                                                  cash, cheque, deduction, r.date("DATE")});
        });
    for (std::size_t k = 1; k <= 3; ++k)
        eachRecord(site, "Detail" + std::to_string(k), [&](bool deleted, const Record& r) {
            const auto recno = std::uint32_t(b.lines[k].size() + 1);
            if (k <= 2)
                b.lines[k].push_back({recno, deleted, r.text("INDENT"), r.text("TYPE"),
                                      r.key("DATE", "TIME", "TICKET"), "", "", "", r.number("AMOUNT"), 0, {}});
            else
                b.lines[k].push_back({recno, deleted, r.text("INDENT"), "", "", r.text("CODE"),
                                      r.text("WHOUSE"), r.text("UNIT"), 0, r.number("QTY"), r.date("DOC_DATE")});
        });
    eachRecord(site, "Stock1",
               [&](bool deleted, const Record& r) { b.production.emplace_back(deleted, r.text("INDENT")); });
    eachRecord(site, "Unit", [&](bool, const Record& r) {
        b.rates[r.text("CODE")] = r.number("RATE") == 0 ? 1 : r.number("RATE");
    });
    b.stock = readStock(site, "BALANCE");
    eachRecord(site, "OrAcc", [&](bool, const Record& r) {
        const std::string key = r.text("COMPANY") + "/" + r.text("PRODUCT") + "/" + r.text("CODE");
        b.orderWeight[key] = r.number("WEIGHT");
        b.orderAmount[key] = r.number("AMOUNT");
    });
    b.accounts = readAccounts(site, "BALANCE", "BORROW");
    return b;
}

// ---- The invariants

struct Finding {
    std::string check;   // what failed, the same words for the same kind of fault
    std::string detail;
};

// What the books must show, worked out from the documents alone, compared with what they store.
// It remembers each document with lines from one check to the next: a document undeleted since
// must not bring back a line that was marked by hand before it was deleted.
class Checker {
public:
    // With `site`, the slow checks too: the ledger verification, and the statements from `start`.
    std::vector<Finding> check(const Books& b, const Site* site = nullptr, core::Date start = {})
    {
        m_found.clear();
        checkTickets(b);
        checkAccounts(b);
        checkStock(b);
        checkOrders(b);
        checkVouchers(b);
        checkUndeletions(b);
        if (site) {
            verifyLedgers();
            checkStatements(b, *site, start);
        }
        return m_found;
    }

private:
    void fail(const std::string& check, const std::string& detail) { m_found.push_back({check, detail}); }
    static std::string amount(double v) { return core::xbase::alltrim(core::xbase::str(v, 15, 3)); }
    void compare(const char* check, const std::string& row, double stored, double expected, double slack = 0.005)
    {
        if (std::fabs(stored - expected) > slack + 1e-7)
            fail(check, row + " stores " + amount(stored) + ", the documents give " + amount(expected));
    }
    // Calls `compareOne` with each key of either map and its two values, a key missing on one side
    // standing for nothing.
    template <class V, class Compare>
    static void eachKey(const std::map<std::string, V>& stored, const std::map<std::string, V>& want, Compare compareOne)
    {
        std::set<std::string> keys;
        for (const auto* side : {&stored, &want})
            for (const auto& kv : *side)
                keys.insert(kv.first);
        for (const std::string& key : keys) {
            const auto s = stored.find(key), w = want.find(key);
            compareOne(key, s == stored.end() ? V() : s->second, w == want.end() ? V() : w->second);
        }
    }

    // Voucher lines settle tickets: "REC"/"INV" one of the voucher's first ticket table, "CAN"/"RET"
    // one of its second (payments: purchases and returns to suppliers; receipts: sales and customer
    // returns). The live lines of live vouchers, by ticket key, per ticket table.
    std::array<std::multimap<std::string, const Line*>, 5> settling(const Books& b)
    {
        std::array<std::multimap<std::string, const Line*>, 5> out;
        for (int k = 1; k <= 2; ++k) {
            std::set<std::string> live;
            for (const Voucher& v : b.vouchers[std::size_t(k)])
                if (!v.deleted)
                    live.insert(v.indent);
            for (const Line& l : b.lines[std::size_t(k)]) {
                const int table = l.type == "REC" || l.type == "INV" ? 2 * k - 1
                                  : l.type == "CAN" || l.type == "RET" ? 2 * k : 0;
                if (!l.deleted && table != 0 && live.count(l.indent))
                    out[std::size_t(table)].emplace(l.key, &l);
            }
        }
        return out;
    }

    void checkTickets(const Books& b)
    {
        const auto lines = settling(b);
        for (int k = 1; k <= 5; ++k)
            for (const Ticket& t : b.tickets[std::size_t(k)]) {
                const std::string row = "ticket " + std::to_string(k) + "/" + t.number;
                if (money(t.clear) < 0 || money(t.clear) > money(std::max(t.drcr, 0.0)))
                    fail("a ticket's CLEAR lies outside 0..DRCR",
                         row + " DRCR " + amount(t.drcr) + " CLEAR " + amount(t.clear));
                if (t.stat == "2" && (t.account == "1") != (money(t.drcr - t.clear) == 0))
                    fail("a ticket's ACCOUNT does not follow DRCR - CLEAR",
                         row + " ACCOUNT '" + t.account + "' DRCR " + amount(t.drcr) + " CLEAR " + amount(t.clear));
                double settled = 0;
                if (k <= 4) {
                    const auto [from, to] = lines[std::size_t(k)].equal_range(t.key);
                    for (auto it = from; it != to; ++it)
                        settled += it->second->amount;
                    if (t.deleted && from != to)
                        fail("a live line settles a deleted ticket", row);
                }
                compare("a ticket's CLEAR is not the sum of the live lines settling it", row + " CLEAR", t.clear,
                        settled);
            }
    }

    // Suppliers (ApAcc) and customers (ArAcc): BALANCE is what complete live tickets put on account,
    // returns taking off, less what live payments and receipts paid; BORROW is what live loans
    // lent less what payments and receipts deducted from it. Counting only documents dated before
    // `before` (when given) gives the balances as a statement from that day opens them.
    static Accounts wantAccounts(const Books& b, core::Date before = {})
    {
        const auto counts = [&](core::Date d) { return before.isEmpty() || d < before; };
        Accounts want;
        const double sign[] = {0, 1, -1, 1, -1, 1};
        for (int k = 1; k <= 5; ++k)
            for (const Ticket& t : b.tickets[std::size_t(k)])
                if (!t.deleted && t.stat == "2" && counts(t.dayin))
                    want[k <= 2 ? 0 : 1][t.company].first += sign[k] * t.drcr;
        for (int k = 1; k <= 4; ++k)
            for (const Voucher& v : b.vouchers[std::size_t(k)]) {
                if (v.deleted || !counts(v.date))
                    continue;
                auto& row = want[k % 2 == 1 ? 0 : 1][v.company];
                if (k <= 2) {
                    row.first -= v.paid;
                    row.second -= v.deduction;
                } else {
                    row.second += v.cash + v.cheque;
                }
            }
        return want;
    }

    void checkAccounts(const Books& b)
    {
        const Accounts want = wantAccounts(b);
        for (std::size_t i = 0; i < 2; ++i)
            eachKey(b.accounts[i], want[i], [&](const std::string& code, auto s, auto w) {
                const std::string who = (i == 0 ? "supplier " : "customer ") + code;
                compare(i == 0 ? "a supplier's BALANCE" : "a customer's BALANCE", who + " BALANCE", s.first, w.first);
                compare(i == 0 ? "a supplier's BORROW" : "a customer's BORROW", who + " BORROW", s.second, w.second);
            });
    }

    // Stock per product and warehouse: complete live tickets (receipts and customer returns in,
    // returns to suppliers and sales out) and the live lines of production records, in kilograms
    // by the unit's rate; before `before` when given. Each line with a part of a hundredth may
    // leave half a hundredth (`slack`).
    static std::map<std::string, double> wantStock(const Books& b, std::map<std::string, double>& slack,
                                                   core::Date before = {})
    {
        const auto counts = [&](core::Date d) { return before.isEmpty() || d < before; };
        std::map<std::string, double> want;
        const double sign[] = {0, 1, -1, -1, 1, 0};
        for (int k = 1; k <= 4; ++k)
            for (const Ticket& t : b.tickets[std::size_t(k)])
                if (!t.deleted && t.stat == "2" && counts(t.dayin))
                    want[t.product + "/" + t.whouse] += sign[k] * t.qty;
        for (const Line& l : b.lines[3]) {
            if (l.deleted || !counts(l.date))
                continue;
            const auto rate = b.rates.find(l.unit);
            const double kg = l.qty * (rate == b.rates.end() ? 1 : rate->second);
            want[l.code + "/" + l.whouse] += kg;
            if (money(kg) != kg)
                slack[l.code + "/" + l.whouse] += 0.005;
        }
        return want;
    }

    void checkStock(const Books& b)
    {
        std::map<std::string, double> slack;
        eachKey(b.stock, wantStock(b, slack), [&](const std::string& key, double s, double w) {
            compare("a stock BALANCE", "stock " + key, s, w, 0.005 + slack[key]);
        });
    }

    // A sales order has delivered what the complete live sales quoting it weighed and cost, less
    // the customer returns quoting it.
    void checkOrders(const Books& b)
    {
        std::map<std::string, double> weight, value;
        for (int k = 3; k <= 4; ++k)
            for (const Ticket& t : b.tickets[std::size_t(k)])
                if (!t.deleted && t.stat == "2" && !t.order.empty()) {
                    const std::string key = t.company + "/" + t.product + "/" + core::xbase::alltrim(t.order);
                    weight[key] += (k == 3 ? 1 : -1) * t.qty;
                    value[key] += (k == 3 ? 1 : -1) * t.amount;
                }
        for (const auto& [key, w] : b.orderWeight) {
            compare("a sales order's WEIGHT", "order " + key + " WEIGHT", w, weight[key]);
            compare("a sales order's AMOUNT", "order " + key + " AMOUNT", b.orderAmount.at(key), value[key]);
        }
    }

    // A live payment or receipt totals its live lines, returns counting against the rest, and is
    // settled in full; a deleted voucher or production record keeps no live line.
    void checkVouchers(const Books& b)
    {
        for (int k = 1; k <= 3; ++k) {
            std::map<std::string, double> net;
            std::set<std::string> live;
            if (k <= 2)
                for (const Voucher& v : b.vouchers[std::size_t(k)])
                    if (!v.deleted)
                        live.insert(v.indent);
            for (const auto& [deleted, indent] : b.production)
                if (k == 3 && !deleted)
                    live.insert(indent);
            for (const Line& l : b.lines[std::size_t(k)]) {
                if (l.deleted)
                    continue;
                if (!live.count(l.indent))
                    fail("a deleted document keeps a live line", "Detail" + std::to_string(k) + " record " +
                                                                     std::to_string(l.recno));
                net[l.indent] += l.type == "CAN" || l.type == "RET" ? -l.amount : l.amount;
            }
            if (k == 3)
                break;
            for (const Voucher& v : b.vouchers[std::size_t(k)]) {
                if (v.deleted)
                    continue;
                const std::string row = "voucher " + std::to_string(k) + "/" + v.number;
                compare("a voucher's total is not its live lines net of returns", row + " AMOUNT", v.amount,
                        net[v.indent]);
                compare("a voucher is not settled in full", row + " CASH+DRCR+CHEQUE", v.paid, v.amount);
            }
        }
    }

    // Undeleting restores the lines the deletion marked, not those marked by hand before it.
    void checkUndeletions(const Books& b)
    {
        std::map<std::string, Document> now;
        for (int k = 1; k <= 3; ++k) {
            std::map<std::string, Document> lines;
            for (const Line& l : b.lines[std::size_t(k)])
                (l.deleted ? lines[l.indent].marked : lines[l.indent].live).insert(l.recno);
            const std::string table = std::to_string(k) + ":";
            auto add = [&](bool deleted, const std::string& indent) {
                Document& d = now[table + indent] = lines[indent];
                d.deleted = deleted;
            };
            if (k <= 2)
                for (const Voucher& v : b.vouchers[std::size_t(k)])
                    add(v.deleted, v.indent);
            else
                for (const auto& [deleted, indent] : b.production)
                    add(deleted, indent);
        }
        for (const auto& [doc, state] : now) {
            const auto was = m_documents.find(doc);
            if (was == m_documents.end())
                continue;
            if (!was->second.deleted && state.deleted)
                m_markedByHand[doc] = was->second.marked;
            if (was->second.deleted && !state.deleted)
                for (std::uint32_t line : state.live)
                    if (was->second.marked.count(line) && m_markedByHand[doc].count(line))
                        fail("an undeleted document brought back a line marked by hand",
                             "document " + doc + " line record " + std::to_string(line));
        }
        m_documents = std::move(now);
    }

    // The statements of suppliers, customers and stock from `start` print from the movement
    // analysis: each ledger row's opening value must be what the documents dated before `start`
    // give, and the analysis rows, added to it as the statements add them, must close on the
    // balance the ledger holds.
    void checkStatements(const Books& b, const Site& site, core::Date start)
    {
        {
            reports::MovementLock lock;
            storage::Workspace ws;
            bool built = lock.take(core::programSettings().text("CDRV2"));
            for (const char* table : {"Unit", "Farmer", "Company", "Product"})
                built = built && reports::openTable(ws, table, table);
            built = built && reports::buildMovementAnalysis(ws, start, "TYPE", "ACC01");
            (void)ws.closeAll();
            if (!built)
                return fail("the movement analysis could not be built", "from " + start.dtos());
        }
        const Accounts opening = readAccounts(site, "BEGIN", "BBEGIN");
        const std::map<std::string, double> stockOpening = readStock(site, "BEGIN");
        Accounts closing = opening;
        std::map<std::string, double> stockClosing = stockOpening;
        std::unique_ptr<storage::Table> rows;
        const std::string work = reports::workTableFile(storage::WorkTable::MovementAnalysis) + ".DBF";
        if (!storage::Table::open(work, storage::ShareMode::Shared, &rows).ok())
            return fail("the movement analysis could not be built", "cannot open " + work);
        core::Value v;
        const auto field = [&](const char* name) { return rows->get(name, &v).ok() ? v : core::Value(); };
        for (std::uint32_t r = 1; r <= rows->recCount(); ++r) {
            if (!rows->goTo(r).ok())
                return fail("the movement analysis could not be built", "cannot read " + work);
            const std::string type = trim(field("TYPE"));
            const double qty = field("QTY").asNumber(), drcr = field("DRCR").asNumber();
            const double paid = field("CASH").asNumber() + field("CHEQUE").asNumber();
            const double deducted = field("BORROW").asNumber();
            auto& supplier = closing[0][trim(field("FARMER"))];
            auto& customer = closing[1][trim(field("COMPANY"))];
            auto& stock = stockClosing[trim(field("PRODUCT")) + "/" + trim(field("WHOUSE"))];
            if (type == "REC") supplier.first += drcr, stock += qty;
            if (type == "CAN") supplier.first -= drcr, stock -= qty;
            if (type == "INV") customer.first += drcr, stock -= qty;
            if (type == "RET") customer.first -= drcr, stock += qty;
            if (type == "SCL") customer.first += drcr;
            if (type == "STK1") stock += qty;
            if (type == "MON1") supplier.first -= paid + deducted, supplier.second -= deducted;
            if (type == "MON2") customer.first -= paid + deducted, customer.second -= deducted;
            if (type == "MON3") supplier.second += paid;
            if (type == "MON4") customer.second += paid;
        }
        (void)rows->close();

        const std::string nines = core::xbase::alltrim(reports::thaiNines(10));
        const Accounts before = wantAccounts(b, start);
        const std::string from = " from " + start.dtos();
        for (std::size_t i = 0; i < 2; ++i) {
            const std::string side = i == 0 ? "supplier " : "customer ";
            eachKey(opening[i], before[i], [&](const std::string& code, auto o, auto w) {
                compare("a statement's opening balance", side + code + from + " opening BALANCE", o.first, w.first);
                compare("a statement's opening loan", side + code + from + " opening BORROW", o.second, w.second);
            });
            eachKey(closing[i], b.accounts[i], [&](const std::string& code, auto c, auto s) {
                if (code.empty() || code == nines)
                    return;  // the rows of the other side
                compare("a statement's closing balance", side + code + from + " closing BALANCE", c.first, s.first);
                compare("a statement's closing loan", side + code + from + " closing BORROW", c.second, s.second);
            });
        }
        std::map<std::string, double> slack;
        eachKey(stockOpening, wantStock(b, slack, start), [&](const std::string& key, double o, double w) {
            compare("a stock statement's opening balance", "stock " + key + from, o, w, 0.005 + slack[key]);
        });
        eachKey(stockClosing, b.stock, [&](const std::string& key, double c, double s) {
            if (key.front() == '/' || key.rfind(nines, 0) == 0)
                return;  // the rows of vouchers
            compare("a stock statement's closing balance", "stock " + key + from, c, s);
        });
    }

    void verifyLedgers()
    {
        const maintenance::LedgerCheck c = maintenance::verifyLedgers(core::programSettings());
        for (const std::string& p : c.problems)
            fail("verify-ledgers could not read", core::tis620::toUtf8(p));
        for (const maintenance::LedgerDifference& d : c.differences)
            fail("verify-ledgers reports a difference", d.file + " " + core::tis620::toUtf8(d.row) + " " + d.field +
                                                             " stored " + d.stored + ", documents give " + d.computed);
    }

    std::vector<Finding> m_found;
    struct Document {
        bool deleted = false;
        std::set<std::uint32_t> live, marked;  // its lines' record numbers
    };
    std::map<std::string, Document> m_documents;                   // by line table and INDENT
    std::map<std::string, std::set<std::uint32_t>> m_markedByHand;  // marked before its deletion
};

// ---- A site with two workstations, and the operations applied through their screens

// The clock: a day that moves half a minute per operation, and by what is slept. A lock never
// released would make the next workstation wait without end; a wait that long is reported instead.
struct LockNeverFreed : std::runtime_error {
    LockNeverFreed() : std::runtime_error("a workstation waited ten minutes for a lock") {}
};
class SoakClock final : public core::Clock {
public:
    SoakClock() : m_previous(core::setClock(this)) {}
    ~SoakClock() override { core::setClock(m_previous); }
    core::Date today() override { return businessDay(m_day); }
    std::int64_t hundredthsSinceMidnight() override { return m_hundredths; }
    std::int64_t monotonicMs() override { return m_ms; }
    void sleepMs(int ms) override
    {
        m_hundredths += (m_ms % 10 + ms) / 10;
        m_ms += ms;
        if ((m_slept += ms) > 600'000)
            throw LockNeverFreed();
    }
    void nextStep(int day)
    {
        m_hundredths += 3000;
        m_slept = 0;
        m_day = day;
    }

private:
    std::int64_t m_hundredths = 7 * 360000;
    std::int64_t m_ms = 0;
    std::int64_t m_slept = 0;
    int m_day = 0;
    core::Clock* m_previous;
};

struct Station {
    wt::ScriptedHost tickets;
    ScriptedDocumentHost docs;
    std::array<std::unique_ptr<weighing::TicketScreen>, 5> ticket;
    std::array<std::unique_ptr<VoucherScreen>, 4> voucher;
    std::unique_ptr<ProductionScreen> production;
};

class Bench {
public:
    Bench()
    {
        site.setting("CORCTRL", "1");   // sales orders follow their tickets
        site.setting("CTRACK", "9417");  // the weights of a complete ticket may be edited
        site.setting("CAUDITR", "Y");
        // Opening a screen writes the defaults of its configuration keys, each write a safe
        // replace of the file: the first site's file, defaults written, serves every later one.
        static std::string configured;
        if (!configured.empty())
            testsupport::writeFile(site.configFile(), configured);
        for (Station& w : ws) {
            m_ws = &w;
            for (int k = 1; k <= 5; ++k)
                (void)tickets(k);
            for (int k = 1; k <= 4; ++k)
                (void)vouchers(k);
            (void)production();
        }
        if (configured.empty())
            configured = testsupport::readFile(site.configFile());
        books = readBooks(site);
    }

    // Applies one operation; what it did, in words.
    std::string apply(const Step& s)
    {
        clock.nextStep(s.day);
        site.prompts.answers.clear();
        const std::size_t shown = site.prompts.shown.size();
        m_ws = &ws[std::size_t(s.ws)];
        Draw d{s.seed};
        m_said.str("");
        m_said << "ws" << s.ws + 1 << " ";
        static constexpr void (Bench::*operations[])(const Step&, Draw&) = {  // in the order of Op
            &Bench::weigh,          &Bench::editTicket,      &Bench::deleteDocument, &Bench::newVoucher,
            &Bench::editVoucher,    &Bench::deleteDocument,  &Bench::selectTickets,  &Bench::handLine,
            &Bench::changeLine,     &Bench::markLine,        &Bench::newProduction,  &Bench::productionLines,
            &Bench::changeLine,     &Bench::markLine,        &Bench::deleteDocument,
        };
        (this->*operations[std::size_t(s.op)])(s, d);
        for (std::size_t i = shown; i < site.prompts.shown.size(); ++i)
            if (!site.prompts.shown[i].question)
                m_said << " [" << core::tis620::toUtf8(site.prompts.shown[i].text) << "]";
        m_ws->tickets.trucks.clear();
        m_ws->tickets.weights.clear();
        m_ws->docs.lineDialogs.clear();
        m_ws->docs.onSelection = nullptr;
        site.prompts.shown.clear();
        books = readBooks(site);
        return m_said.str();
    }

    Site site;
    wt::ScriptedPickList picks;
    SoakClock clock;
    std::array<Station, 2> ws;
    Books books;  // after the last operation

private:
    // A screen of the workstation, opened the first time it is wanted.
    template <class Screen, class... Args>
    static Screen& opened(std::unique_ptr<Screen>& s, Args&&... args)
    {
        if (!s) {
            s = std::make_unique<Screen>(std::forward<Args>(args)...);
            EXPECT_TRUE(s->open());
        }
        return *s;
    }
    weighing::TicketScreen& tickets(int kind)
    {
        return opened(m_ws->ticket[std::size_t(kind - 1)], kind, 6, m_ws->tickets);
    }
    VoucherScreen& vouchers(int kind) { return opened(m_ws->voucher[std::size_t(kind - 1)], kind, 6, m_ws->docs); }
    ProductionScreen& production() { return opened(m_ws->production, 6, m_ws->docs); }
    DocumentScreen& documents(const Step& s)
    {
        return s.op >= Op::NewProduction ? static_cast<DocumentScreen&>(production()) : vouchers(s.kind);
    }

    // The search list closed on a document: one of the last eight in date order, or any.
    static void choose(weighing::SearchDialogModel& m, Draw& d, std::size_t count)
    {
        if (count == 0)
            return;
        if (d.chance(2)) {
            m.bottom();
            m.source().skip(-long(d.take(8)));
        } else {
            m.top();
            m.source().skip(long(d.take(std::uint32_t(count))));
        }
        if (m.source().atEnd())
            m.bottom();
    }
    // The screen moved to a document chosen in its search list, unless the step stays on the one shown.
    template <class Screen>
    void moveTo(Screen& screen, const Step& s, Draw& d)
    {
        constexpr bool ticket = std::is_same_v<Screen, weighing::TicketScreen>;
        auto& onSearch = ticket ? m_ws->tickets.onSearch : m_ws->docs.onSearch;
        const std::size_t count = ticket ? books.tickets[std::size_t(s.kind)].size()
                                  : s.op >= Op::NewProduction ? books.production.size()
                                                              : books.vouchers[std::size_t(s.kind)].size();
        if (!s.stay) {
            onSearch = [&](weighing::SearchDialogModel& m) { choose(m, d, count); };
            if constexpr (ticket)
                screen.PROCMOVE(weighing::kSearchTickets);
            else
                screen.searchPressed();
            onSearch = nullptr;
        }
        m_said << (s.stay ? " on the shown " : " on ") << trim(screen.values().get("cTicket"));
    }
    // An entry the operation did not save is cancelled, as the person would (mode 0: browsing).
    template <class Screen>
    static void cancelUnsaved(Screen& s)
    {
        if (int(s.mode()) != 0)
            s.PCANCEL();
    }

    static const char* party(int ticketKind, Draw& d)
    {
        static const char* const suppliers[] = {"F001", "F002"};
        static const char* const customers[] = {"C001", "C002"};
        return (ticketKind <= 2 ? suppliers : customers)[d.take(2)];
    }
    template <class V>  // a text (const char*) or a number
    bool typeTicket(weighing::TicketScreen& s, const std::string& name, V v)
    {
        if (!s.fieldEnabled(name))
            return false;
        m_said << " " << name << "=" << v;
        if constexpr (std::is_arithmetic_v<V>)
            return wt::typeNumber(s, name, v);
        else
            return wt::typeText(s, name, v);
    }
    // An order number the customer and product may have; one not found is cleared again.
    void typeOrder(weighing::TicketScreen& s, Draw& d)
    {
        static const char* const orders[] = {"", "SO1", "SO2"};
        if (s.kind() == 3 || s.kind() == 4)
            if (!typeTicket(s, "cRemark4", orders[d.take(3)]))
                (void)typeTicket(s, "cRemark4", "");
    }
    // The payment split of a ticket: whole by one button, or part on account.
    void payTicket(weighing::TicketScreen& s, Draw& d)
    {
        const int how = int(d.take(5));
        if (how < 3 && s.fieldEnabled("cCash")) {
            const int part = how == 2 && !s.kindInfo().goods ? weighing::kPartAccount : how + 1;
            s.payButton(part);
            m_said << " pay" << part;
        } else {
            (void)typeTicket(s, "cDrCr", money(s.values().number("cAmount") * double(d.take(5)) / 4));
        }
    }

    void weigh(const Step& st, Draw& d)
    {
        const int kind = st.kind;
        static const char* const trucks[] = {"70-1234", "81-5678", "TR-101", "TR-202"};
        weighing::TicketScreen& s = tickets(kind);
        const char* truck = trucks[d.take(4)];
        m_said << "weigh kind " << kind << " " << truck;
        m_ws->tickets.trucks.push_back(truck);
        s.weighPressed();
        const long long weight = 2000 + 10 * long(d.take(2500));
        if (s.mode() == weighing::kTicketNew) {
            (void)typeTicket(s, s.kindInfo().partyValue, party(kind, d));
            if (s.kindInfo().goods) {
                const bool p1 = d.chance(3) == false;
                (void)typeTicket(s, "cProduct", p1 ? "P001" : "P002");
                (void)typeTicket(s, "cWhouse", d.chance(2) ? "W1" : "W2");
                static const char* const units[] = {"KG", "KG", "TON", "BAG"};
                (void)typeTicket(s, "cUnit", p1 ? units[d.take(4)] : "KG");
                if (s.kindInfo().moistureGrades) {
                    if (d.chance(3))
                        (void)typeTicket(s, "cMoisture", "M1");
                    if (d.chance(3))
                        (void)typeTicket(s, "cMixture", "X1");
                }
                typeOrder(s, d);
            }
            m_ws->tickets.weights.push_back(weight);
            s.READW(1);
            m_said << " in " << weight;
        } else if (s.mode() == weighing::kTicketSecondWeighing) {
            m_ws->tickets.weights.push_back(weight);
            s.READW(2);
            m_said << " out " << weight;
            if (!s.kindInfo().goods)
                (void)typeTicket(s, "cAmount", double(100 + d.take(400)));
            payTicket(s, d);
        }
        if (s.mode() != weighing::kTicketBrowsing && s.TRSAVE())
            m_said << " saved " << trim(s.values().get("cTicket"));
        cancelUnsaved(s);
    }

    void editTicket(const Step& st, Draw& d)
    {
        weighing::TicketScreen& s = tickets(st.kind);
        m_said << "edit ticket kind " << st.kind;
        moveTo(s, st, d);
        s.editPressed();
        if (s.mode() != weighing::kTicketEdit)
            return;
        switch (d.take(5)) {
        case 0:
            (void)typeTicket(s, "cWin", double(2000 + 10 * d.take(2500)));
            (void)typeTicket(s, "cWout", double(2000 + 10 * d.take(2500)));
            break;
        case 1: (void)typeTicket(s, s.kindInfo().goods ? "cPrice" : "cAmount", double(1 + d.take(900))); break;
        case 2: (void)typeTicket(s, s.kindInfo().partyValue, party(st.kind, d)); break;
        case 3: typeOrder(s, d); break;
        default: (void)typeTicket(s, "cWhouse", d.chance(2) ? "W1" : "W2"); break;
        }
        payTicket(s, d);
        if (s.TRSAVE())
            m_said << " saved";
        cancelUnsaved(s);
    }

    void deleteDocument(const Step& st, Draw& d)
    {
        site.prompts.answers.push_back(true);
        if (st.op == Op::DeleteTicket) {
            weighing::TicketScreen& s = tickets(st.kind);
            m_said << "delete/undelete ticket kind " << st.kind;
            moveTo(s, st, d);
            s.deletePressed();
            m_said << " now " << core::tis620::toUtf8(s.values().text("cStat"));
            return;
        }
        DocumentScreen& s = documents(st);
        m_said << "delete/undelete "
               << (st.op == Op::DeleteProduction ? "production" : "voucher kind " + std::to_string(st.kind));
        moveTo(s, st, d);
        s.deletePressed();
        m_said << " now " << core::tis620::toUtf8(s.values().text("cStat"));
        settle(s, d);
    }

    // A payment or receipt whose lines changed is edited until it is settled, as the screen asks
    // before it may be left.
    void settle(DocumentScreen& doc, Draw& d)
    {
        auto* s = dynamic_cast<VoucherScreen*>(&doc);
        if (!s || !s->kindInfo().hasLines() || s->mode() != kBrowsing)
            return;
        const core::ValueMap& v = s->values();
        if (money(v.number("cCash") + v.number("cDrCr") + v.number("cCheque")) == money(v.number("cAmount")))
            return;
        s->editPressed();
        if (s->mode() != kEditDocument)
            return;
        const int part = 1 + int(d.take(3));
        s->payButton(part);
        m_said << "; settled " << money(v.number("cAmount")) << " by part " << part;
        if (!s->MNSAVE()) {
            m_said << " refused";
            s->PCANCEL();
        }
    }

    void newVoucher(const Step& st, Draw& d)
    {
        const int kind = st.kind;
        VoucherScreen& s = vouchers(kind);
        const char* partner = party(kind % 2 == 1 ? 1 : 3, d);
        m_said << "new voucher kind " << kind << " " << partner;
        s.newPressed();
        if (s.mode() != kNewDocument)
            return;
        bool ok = type(s, text(s.kindInfo().partyValue, partner));
        if (!s.kindInfo().hasLines()) {
            const double amount = double(100 + 10 * d.take(500));
            ok = ok && type(s, number("cAmount", amount));
            s.payButton(d.chance(2) ? weighing::kPartCash : weighing::kPartCheque);
            m_said << " amount " << amount;
        }
        if (ok && s.MNSAVE())
            m_said << " saved " << trim(s.values().get("cTicket"));
        if (s.mode() != kBrowsing)
            s.PCANCEL();
        else if (s.kindInfo().hasLines() && d.chance(2))
            select(s, d);
    }

    void editVoucher(const Step& st, Draw& d)
    {
        VoucherScreen& s = vouchers(st.kind);
        m_said << "edit voucher kind " << st.kind;
        moveTo(s, st, d);
        s.editPressed();
        if (s.mode() != kEditDocument)
            return;
        const int what = int(d.take(6));
        if (what == 0)
            (void)type(s, text(s.kindInfo().partyValue, party(st.kind % 2 == 1 ? 1 : 3, d)));
        if (what == 1 && !s.kindInfo().hasLines())
            (void)type(s, number("cAmount", double(100 + 10 * d.take(500))));
        if (what == 2)
            (void)type(s, number("cCheque", money(s.values().number("cAmount") / 2)));
        else
            s.payButton(1 + int(d.take(3)));
        m_said << " partner " << trim(s.values().get(s.kindInfo().partyValue)) << " amount "
               << money(s.values().number("cAmount")) << " cash " << s.values().number("cCash") << " deduction "
               << s.values().number("cDrCr") << " cheque " << s.values().number("cCheque");
        if (s.MNSAVE())
            m_said << " saved";
        cancelUnsaved(s);
    }

    // The ticket selection of the voucher shown: every row, or some.
    void select(VoucherScreen& s, Draw& d)
    {
        const bool all = d.chance(2);
        const std::uint32_t bits = d.take(1u << 16);
        std::size_t rows = 0;
        m_ws->docs.onSelection = [&](TicketSelection& sel) {
            rows = sel.rowCount();
            if (all) {
                sel.MNFILLCHK(4);
            } else {
                sel.source().goTop();
                for (std::size_t i = 0; i < rows; ++i, sel.source().skip(1))
                    if ((bits >> (i % 16)) & 1)
                        sel.MNFILLCHK(2);
            }
            sel.accept();
        };
        m_ws->docs.lineDialogs = {saveLine({text("cdType", "")})};
        const double before = s.values().number("cLines");
        s.addLines();
        m_said << " selection of " << rows << (all ? " all" : " some") << ": lines " << before << " -> "
               << s.values().number("cLines");
        settle(s, d);
    }

    void selectTickets(const Step& st, Draw& d)
    {
        VoucherScreen& s = vouchers(st.kind);
        m_said << "select tickets, voucher kind " << st.kind;
        moveTo(s, st, d);
        select(s, d);
    }

    // A line typed by hand: a ticket of the voucher's tables (mostly the partner's, live or not),
    // for what it has open, half of it or more; or another item.
    void handLine(const Step& st, Draw& d)
    {
        VoucherScreen& s = vouchers(st.kind);
        m_said << "hand line, voucher kind " << st.kind;
        moveTo(s, st, d);
        const std::string partner = trim(s.values().get(s.kindInfo().partyValue));
        std::vector<const Ticket*> pool;
        for (int k = 2 * st.kind - 1; k <= 2 * st.kind; ++k)
            for (const Ticket& t : books.tickets[std::size_t(k)])
                if (t.company == partner || d.chance(8))
                    pool.push_back(&t);
        if (pool.empty() || d.chance(6)) {
            const double amount = double(10 * (1 + d.take(50)));
            m_said << " OTH " << amount;
            m_ws->docs.lineDialogs = {voucherLine("OTH", "X", amount)};
        } else {
            const Ticket& t = *pool[d.take(std::uint32_t(pool.size()))];
            const double open = money(std::max(t.drcr, 0.0) - t.clear);
            const double amounts[] = {open > 0 ? open : 10, std::max(money(open / 2), 0.01), money(open + 50), 10};
            const double amount = amounts[d.take(4)];
            const bool first = t.kind % 2 == 1;
            const char* type = st.kind == 1 ? (first ? "REC" : "CAN") : (first ? "INV" : "RET");
            m_said << " " << type << " " << t.number << (t.deleted ? " (deleted)" : "") << " " << amount;
            m_ws->docs.lineDialogs = {saveLine({text("cdType", type), text("cdTicket", t.number),
                                                {"cdDate", core::Value::date(t.dayin)}, text("cdTime", t.tmin),
                                                number("cdAmount", amount)})};
        }
        const double before = s.values().number("cLines");
        s.addLines();
        m_said << ": lines " << before << " -> " << s.values().number("cLines");
        settle(s, d);
    }

    void changeLine(const Step& st, Draw& d)
    {
        DocumentScreen& s = documents(st);
        m_said << "change line, " << (st.op == Op::ChangeLine ? "voucher kind " + std::to_string(st.kind) : "production");
        moveTo(s, st, d);
        toLine(s, int(d.take(4)));
        if (st.op == Op::ChangeLine) {
            const double factor[] = {0.5, 1, 1.5};
            const double f = factor[d.take(3)];
            m_ws->docs.lineDialogs = {[f](LineEditor& e) {
                e.values().setNumber("cdAmount", money(std::max(e.values().number("cdAmount") * f, 0.01)), 2);
                if (e.validate("cdAmount"))
                    (void)e.save();
            }};
            m_said << " amount x" << f;
        } else {
            const char* whouse = d.chance(2) ? "W1" : "W2";
            const double qty = double(int(d.take(100)) - 50) + (d.chance(5) ? 0.125 : 0);
            m_ws->docs.lineDialogs = {saveLine({text("cdWHouse", whouse), number("cdQty", qty, 3)})};
            m_said << " to " << whouse << " " << qty;
        }
        s.changeLine();
        settle(s, d);
    }

    void markLine(const Step& st, Draw& d)
    {
        DocumentScreen& s = documents(st);
        m_said << "mark/unmark line, " << (st.op == Op::MarkLine ? "voucher kind " + std::to_string(st.kind) : "production");
        moveTo(s, st, d);
        const int n = int(d.take(4));
        toLine(s, n);
        site.prompts.answers.push_back(true);
        if (s.MNDTDELE())
            m_said << " line " << n << " toggled";
        settle(s, d);
    }

    std::function<void(LineEditor&)> productionLine(Draw& d)
    {
        static const char* const units[] = {"KG", "TON", "BAG", "BOX"};
        const char* product = d.chance(2) ? "P001" : "P002";
        const char* whouse = d.chance(2) ? "W1" : "W2";
        const char* unit = units[d.take(4)];
        const double qty = double(int(d.take(100)) - 50) + (d.chance(5) ? 0.125 : 0);
        m_said << " (" << product << " " << whouse << " " << unit << " " << qty << ")";
        return vouchertest::productionLine(product, whouse, unit, qty);
    }

    void newProduction(const Step&, Draw& d)
    {
        ProductionScreen& s = production();
        m_said << "new production";
        s.newPressed();
        if (s.mode() != kNewDocument || !type(s, text("cRemark1", "ผลิต")) || !s.SKSAVE1())
            return cancelUnsaved(s);
        m_said << " " << trim(s.values().get("cTicket"));
        for (int n = 1 + int(d.take(3)); n > 0; --n)
            m_ws->docs.lineDialogs.push_back(productionLine(d));
        s.addLines();
    }

    void productionLines(const Step& st, Draw& d)
    {
        ProductionScreen& s = production();
        m_said << "production lines";
        moveTo(s, st, d);
        for (int n = 1 + int(d.take(2)); n > 0; --n)
            m_ws->docs.lineDialogs.push_back(productionLine(d));
        s.addLines();
    }

    Station* m_ws = nullptr;
    std::ostringstream m_said;
};

// ---- Running, and shrinking a failure

struct Outcome {
    int step;  // the operation after which the check failed
    Finding finding;
};

// Applies the operations on a fresh site, checking after each (the ledger verification every
// `verifyEvery` operations and after the last). With `only`, stops at the first finding of that
// check; without, goes on to the end and gives the first finding of each check not `known` yet.
// `said` receives what each operation did.
std::vector<Outcome> run(const std::vector<Step>& steps, int verifyEvery, const std::string& only,
                         std::vector<std::string>* said = nullptr, std::set<std::string> known = {})
{
    Bench bench;
    Checker checker;
    (void)checker.check(bench.books);
    std::vector<Outcome> out;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::vector<Finding> found;
        try {
            const std::string what = bench.apply(steps[i]);
            if (said)
                said->push_back(what);
            if (std::getenv("MERVO_SOAK_TRACE"))
                std::printf("%zu. %s\n", i + 1, what.c_str());
            const bool verify = (int(i) + 1) % verifyEvery == 0 || i + 1 == steps.size();
            // The statements start on a day up to the one after this operation's.
            const Step& s = steps[i];
            found = checker.check(bench.books, verify ? &bench.site : nullptr,
                                  businessDay(int(s.seed % std::uint64_t(s.day + 2))));
        } catch (const LockNeverFreed& e) {
            found.push_back({"a lock was never released", e.what()});
        }
        if (::testing::Test::HasFatalFailure())
            return out;
        for (const Finding& f : found) {
            if (!only.empty() && f.check == only)
                return {{int(i), f}};
            if (only.empty() && known.insert(f.check).second)
                out.push_back({int(i), f});
        }
        if (!out.empty() && out.back().finding.check == "a lock was never released")
            break;
    }
    return out;
}

// The shortest list found that still fails the same check: chunks of operations dropped while the
// rest still fails, halving the chunks, within a time budget.
std::vector<Step> shrink(std::vector<Step> steps, const std::string& check, std::chrono::seconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    // The ledger verification is slow: after every operation only when it is what failed.
    const int verifyEvery = check.rfind("verify-ledgers", 0) == 0 ? 1 : int(steps.size()) + 1;
    for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1); chunk >= 1;) {
        bool dropped = false;
        for (std::size_t at = 0; at < steps.size() && std::chrono::steady_clock::now() < deadline;) {
            std::vector<Step> fewer(steps.begin(), steps.begin() + long(at));
            fewer.insert(fewer.end(), steps.begin() + long(std::min(at + chunk, steps.size())), steps.end());
            const std::vector<Outcome> failed = fewer.empty() ? std::vector<Outcome>() : run(fewer, verifyEvery, check);
            if (!failed.empty()) {
                const Outcome& o = failed.front();
                steps.assign(fewer.begin(), fewer.begin() + o.step + 1);
                dropped = true;
            } else {
                at += chunk;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        if (!dropped) {
            if (chunk == 1)
                break;
            chunk /= 2;
        }
    }
    return steps;
}

long fromEnvironment(const char* name, long fallback)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return end && *end == '\0' && n >= 0 ? n : fallback;
}

TEST(LedgerSoak, TheBooksMatchTheDocumentsAfterEveryOperationFromTwoWorkstations)
{
    const std::uint64_t seed = std::uint64_t(fromEnvironment("MERVO_SOAK_SEED", long(kDefaultSeed)));
    const long steps = fromEnvironment("MERVO_SOAK_STEPS", kDefaultSteps);
    // Rounds are independent: a replay may start at the round of a given step.
    const long from = std::max(fromEnvironment("MERVO_SOAK_FROM", 1), 1L) - 1;
    std::set<std::string> reported;
    long done = from / kRoundSteps * kRoundSteps;
    for (long round = done / kRoundSteps; done < steps && !::testing::Test::HasFatalFailure(); ++round) {
        const int count = int(std::min<long>(kRoundSteps, steps - done));
        const std::vector<Step> ops = generate(seed, round, count);
        for (const Outcome& o : run(ops, kVerifyEvery, {}, nullptr, reported)) {
            reported.insert(o.finding.check);
            const long global = done + o.step;
            std::ostringstream report;
            report << "seed " << seed << ", step " << global + 1 << " (MERVO_SOAK_SEED=" << seed
                   << " MERVO_SOAK_FROM=" << done + 1 << " MERVO_SOAK_STEPS=" << global + 1 << "): " << o.finding.check
                   << "\n  " << o.finding.detail;
            // The first few failures are shrunk; later ones are only named, the run going on.
            if (reported.size() <= std::size_t(kMaxReports)) {
                const std::vector<Step> failing =
                    shrink({ops.begin(), ops.begin() + o.step + 1}, o.finding.check, kShrinkBudget / kMaxReports);
                std::vector<std::string> said;
                const std::vector<Outcome> last = run(failing, 1, o.finding.check, &said);
                report << "\nshortest failing list on a fresh site (" << failing.size() << " operations):\n";
                for (std::size_t i = 0; i < said.size(); ++i)
                    report << "  " << i + 1 << ". " << said[i] << "\n";
                if (!last.empty())
                    report << "  -> " << last.front().finding.detail << "\n";
            }
            ADD_FAILURE() << report.str();
        }
        done += count;
    }
}

}  // namespace
