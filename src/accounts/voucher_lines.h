// The lines of payment and receipt vouchers without their widgets: the line dialog's model
// (MNDTEDIT's "  เพิ่มรายการใหม่" / "  แก้ไขรายการเดิม") and the ticket selection (MNDTFILL with
// MNFILLCHK), which lists the partner's tickets with an open on-account part in the per-user work
// table "T_" + user (CDRV4, alias "DataSel", exclusive) and settles the marked ones. Both work in
// the voucher screen's workspace. One thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "accounts/document_screen.h"

namespace accounts {

class VoucherScreen;

// The line dialog: cdType, cdTicket, cdDate, cdTime and cdAmount (the names the line audit reads).
class VoucherLineEditor final : public LineEditor {
public:
    // A new line opens blank with today's date and the current time; a changed one with the
    // values of the current line of "Detail".
    VoucherLineEditor(VoucherScreen& screen, bool newLine);

    std::vector<ScreenField> fields() const override;
    // cdType: left empty it starts the ticket selection and stays invalid; otherwise one of the
    // five types. cdAmount: at most 5,000,000.00.
    bool validate(const std::string& name) override;
    // Type, document number and date given and the amount above 0.
    bool complete() const override;
    std::vector<weighing::FieldValue> lineValues() const override;

    static constexpr double kMaxAmount = 5'000'000.00;

protected:
    // The voucher total with this line must fit the voucher's AMOUNT, and a line settling a ticket
    // may not settle more than the ticket has open ("จำนวนเงินเกินยอดค้างของใบชั่ง " + number +
    // " ยอดค้าง " + the open amount).
    bool checkFit() override;

private:
    bool withinOpenAmount(double amount);

    struct StoredLine {
        std::string type, ticket;
        core::Value date;
        std::string time;
    };
    VoucherScreen& m_screen;
    double m_oldAmount = 0;  // a changed line's amount when the dialog opened
    StoredLine m_oldLine;    // and the ticket it named
};

// MNDTFILL's selection dialog.
class TicketSelection {
public:
    // Steps 1 and 2: the work table made afresh and filled from "Data1", then "Data2". nullptr
    // after a message when the work table could not be made or opened.
    static std::unique_ptr<TicketSelection> create(VoucherScreen& screen);
    // The work table closed; the ticket tables on their third order again.
    ~TicketSelection();
    TicketSelection(const TicketSelection&) = delete;
    TicketSelection& operator=(const TicketSelection&) = delete;

    static std::string title();  // "  ข้อมูลการชั่งรับ/ส่งสินค้า"
    const std::vector<weighing::BrowseColumn>& columns() const { return m_columns; }
    // Button captions (TIS-620): "เลือก", "ไม่เลือก", "เลือกหมด", "ไม่เลือกหมด", "ตรงกันข้าม", "ตกลง".
    static std::array<std::string, 6> buttonCaptions();
    storage::TableRowSource& source() { return *m_source; }
    codes::TableBrowse& browse() { return *m_browse; }
    // Whether a row of the browse (its cells) is marked: "/" in the first column.
    static bool rowMarked(const std::vector<std::string>& cells);
    std::size_t rowCount();

    // MNFILLCHK: 1 toggles the highlighted row (double click), 2 marks it, 3 unmarks it, 4 marks
    // every row, 5 unmarks every row, 6 inverts every row.
    void MNFILLCHK(int mode);
    // "ตกลง": every marked row settles its ticket and becomes a line of the voucher. A row whose
    // ticket has nothing open any more is left out ("ใบชั่งบางรายการถูกชำระจากเครื่องอื่นแล้ว
    // จึงไม่ได้นำมาลงรายการ", once); a line that does not fit or cannot be stored ends the settling
    // and leaves its ticket as it was.
    void accept();
    bool accepted() const { return m_accepted; }

private:
    explicit TicketSelection(VoucherScreen& screen);
    bool fill();
    void fillFrom(const char* alias, const char* type);
    void settle(const std::string& type, const std::string& ticket, const core::Value& date,
                const std::string& time, double listedAmount);

    VoucherScreen& m_screen;
    storage::Workspace& m_ws;
    std::vector<weighing::BrowseColumn> m_columns;
    std::unique_ptr<storage::TableRowSource> m_source;
    std::unique_ptr<codes::TableBrowse> m_browse;
    bool m_accepted = false;
    bool m_stopped = false;  // a line that did not fit or could not be stored ended the settling
    bool m_settledElsewhere = false;  // a marked ticket had nothing open any more when it was settled
    bool m_deletedElsewhere = false;  // a marked ticket was marked deleted since the list was made
};

}  // namespace accounts
