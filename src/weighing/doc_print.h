// Document printing from site-edited templates: PROPRN prints the current weighing ticket, money
// voucher or production record with the template file of its form name (CDRV1 + form + ".txt"),
// PRINTXT interprets one section of it, and the print destination seam says where the pages go
// (core/print_destination.h).
//
// Runs on the caller's Workspace and thread: the document's table is open as "wdata" (and its
// lines as "detail", ordered on INDENT+RECORD) with the code tables positioned on its codes; the
// calling screen's values are readable by name from the template. The per-user work table
// CDRV4 + "P_" + user is opened exclusively for the print, so one user printing on two
// workstations at once is refused on the second.
#pragma once

#include <string>
#include <string_view>

#include "core/value_map.h"
#include "storage/workspace.h"

namespace weighing {

enum class PrintResult {
    Printed,        // the document went to its job, PRINT was counted (a reprint audited)
    Deleted,        // the document is marked deleted: "  ข้อมูลถูกสั่งลบ"
    NoTemplate,     // "ไม่พบฟอร์ม " + form
    WorkTableBusy,  // the work table could not be had within 10 s: "  แฟ้มการพิมพ์ไม่พร้อม"
    NoPrinter,      // the printer choice was cancelled, or the job could not begin or finish; nothing counted
    Stopped,        // a template expression's fault was answered Quit; nothing counted, no raw bytes sent
    NotCounted,     // printed, but PRINT could not be raised (the error trap was told)
};

// PROPRN(form, withDetails): prints the current record of "wdata" with the template of `form`
// ("Ticket12", "Money1" ...); with details, also the live lines of "detail" whose INDENT is the
// document's, in a band of DTMAX lines per page. Preview unless the setting CPRINTER is "N".
// Positions count from the printable area's corner; WMFIM forms go under their page's data; the
// RAWIM bytes go to the printer, in template order, once the document has printed. Afterwards the
// document's PRINT is raised (up to 99) and, when above 1, the reprint is written to the audit log
// (audit::auditReprint). Messages titled "  ส่วนการพิมพ์เอกสาร". The work
// table is closed again and the caller's selected table selected.
PrintResult PROPRN(storage::Workspace& ws, const core::ValueMap& screenValues, std::string_view form,
                   bool withDetails);

}  // namespace weighing
