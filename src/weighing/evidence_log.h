// The weighing evidence as the ticket screens reach it: one process-wide EvidenceLog that the
// program installs (writing EVIDENCE.DBF, weighing/evidence.h) and tests replace with one that
// collects the events. Until one is installed nothing is recorded and no weight has a known source.
// This side carries no Qt (the evidence's hash does), so the ticket screens stay in the fuzz build.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "storage/status.h"
#include "weighing/evidence.h"

namespace storage {
class Table;
}

namespace weighing {

// One evidence record as the history of a ticket lists it (texts TIS-620 as stored, trimmed).
struct EvidenceEntry {
    std::string date;  // DD/MM/YYYY
    std::string time;
    std::string event;
    double weight = 0;
    std::string source;
    std::string user;
    std::string host;
    std::string port;
    std::string values;
};

class EvidenceLog {
public:
    virtual ~EvidenceLog() = default;
    // Appends one event; a status that is not ok when it could not be written.
    virtual storage::Status append(const evidence::Event& e) = 0;
    // The source ('I', 'A', 'M') of the weigh-in and weigh-out weights of a ticket as last
    // recorded; ' ' where none is recorded.
    virtual std::array<char, 2> weightSources(int kind, const std::string& ticket) = 0;
    // Every record of a ticket, in the order they were written.
    virtual std::vector<EvidenceEntry> history(int kind, const std::string& ticket) = 0;
};

EvidenceLog& evidenceLog();
EvidenceLog* setEvidenceLog(EvidenceLog* log);

// The program's log: EVIDENCE.DBF in the data folder the setting CDRV2 names at each call. Lives
// with the table's code in the library on Qt Core (mervo_evidence); the program installs it.
EvidenceLog& fileEvidenceLog();

// The history of one ticket's evidence as its read-only list shows it (texts TIS-620): the title
// naming the ticket, the column captions and one row per record in the order written - date, time, what
// happened, the weight (weighings and the truck warning), where it came from, the user, the
// workstation and port, and the values recorded.
struct EvidenceHistory {
    static constexpr std::size_t kColumns = 8;
    std::string title;
    std::array<std::string, kColumns> captions;
    std::vector<std::array<std::string, kColumns>> rows;
};
EvidenceHistory evidenceHistoryList(const std::string& ticket, const std::vector<EvidenceEntry>& entries);

// The mark a typed weight carries on the screen and on printed tickets (TIS-620 "ป้อนเอง").
std::string typedWeightMark();

}  // namespace weighing
