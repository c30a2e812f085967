// The tables a report's detail record brings along: each child seeks the key expression evaluated
// on its parent's record (a text key compared over its own length), as the runtime's relations do,
// parents first - "detail" moves, its children follow, theirs after them.
//
// A report visits the same few codes over and over (a supplier on every ticket of the month), and
// a seek in a shared code table takes its index lock and re-reads its header, so a key found once
// is remembered with its record: the child goes straight to that record afterwards (not at all
// when it stands there already) and reads it as it is now. Keys not found are sought every time.
// For the length of one report run, one thread, the caller's workspace.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/key_source.h"
#include "storage/workspace.h"

namespace reports {

class Relations {
public:
    explicit Relations(storage::Workspace& ws) : m_ws(ws) {}

    // The child follows the parent by the key expression (over the parent's fields). NotFound
    // when either is not open, InvalidArgument when the child has no order or the key does not
    // compile.
    storage::Status add(std::string_view parent, std::string_view child, const std::string& keyExpression);
    bool empty() const { return m_links.empty(); }
    void clear() { m_links.clear(); }

    // After the detail record moved: every child, in the order they were added, onto its record.
    void follow();

private:
    struct Link {
        storage::Table* parent;
        storage::Table* child;
        std::unique_ptr<storage::KeySource> key;
        std::string buffer;
        std::unordered_map<std::string, std::uint32_t> found;  // key -> record
    };

    storage::Workspace& m_ws;
    std::vector<Link> m_links;
};

}  // namespace reports
