// RowSource: the rows a browse shows, reached by moving a cursor rather than by row number.
//
// A table in an index order has no cheap row numbers, so a browse asks only for what it shows: it
// goes to the top or bottom, skips a few rows at a time and reads the row it stands on. The table
// engine adapts a table with its controlling order (optionally limited to a key scope) to this;
// tests use rows in memory. Not for concurrent use; the browse and its source share one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

class RowSource {
public:
    virtual ~RowSource() = default;

    virtual void goTop() = 0;
    virtual void goBottom() = 0;
    // Moves n rows (back when negative), stopping on the first or last row; returns how many rows
    // it moved (signed). On an empty source it moves nothing.
    virtual long skip(long n) = 0;
    // True when the source has no row to stand on (it is empty, or the row it stood on is gone).
    virtual bool atEnd() const = 0;

    // The current row's cell texts (TIS-620), one per column the browse was given.
    virtual void cells(std::vector<std::string>& out) = 0;
    // True when the current row is marked for deletion.
    virtual bool deleted() = 0;

    // Where the current row stands, 0 (first) to 1 (last), for the scroll bar; may be approximate.
    virtual double position() { return 0.0; }
    // Moves to about that place (0..1); false when the source cannot, then the browse ignores
    // dragging the scroll bar.
    virtual bool goToPosition(double) { return false; }
    // A number that changes whenever rows changed behind the browse's back (another workstation,
    // an edit); the browse refetches what it shows when it sees a new one.
    virtual std::uint64_t generation() const { return 0; }
    // A source that reads rows from files cannot stop the browse for a failure while the browse
    // fetches or paints, so it keeps the first one; this raises it as a fault (the error trap
    // shows it) and forgets it. The browse calls it after each move, never while painting.
    virtual void reportFailures() {}
};

}  // namespace core
