// MemoryRowSource: a RowSource over rows made on demand (from a vector or a function of the row
// number), counting what a browse asks of it so tests and benchmarks can check it only fetches
// what it shows. A million rows cost nothing until read.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/row_source.h"

namespace testsupport {

class MemoryRowSource final : public core::RowSource {
public:
    using Maker = std::function<void(long index, std::vector<std::string>& cells)>;

    MemoryRowSource(long count, Maker maker) : m_count(count), m_maker(std::move(maker)) {}
    explicit MemoryRowSource(std::vector<std::vector<std::string>> rows)
        : m_count(long(rows.size())), m_maker([rows](long i, std::vector<std::string>& out) { out = rows[std::size_t(i)]; })
    {
    }

    void goTop() override { m_at = 0; }
    void goBottom() override { m_at = std::max(0L, m_count - 1); }
    long skip(long n) override
    {
        if (m_count == 0)
            return 0;
        const long to = std::clamp(m_at + n, 0L, m_count - 1);
        const long moved = to - m_at;
        m_at = to;
        rowsSkipped += std::abs(moved);
        return moved;
    }
    bool atEnd() const override { return m_count == 0 || m_at >= m_count; }
    void cells(std::vector<std::string>& out) override
    {
        ++reads;
        m_maker(m_at, out);
    }
    bool deleted() override { return std::find(marked.begin(), marked.end(), m_at) != marked.end(); }
    double position() override { return m_count > 1 ? double(m_at) / double(m_count - 1) : 0.0; }
    bool goToPosition(double f) override
    {
        m_at = std::clamp(long(f * double(m_count - 1)), 0L, std::max(0L, m_count - 1));
        return true;
    }
    std::uint64_t generation() const override { return generationNumber; }
    void reportFailures() override { ++reports; }

    long at() const { return m_at; }
    void setAt(long i) { m_at = i; }
    void setCount(long n) { m_count = n; }
    void resetCounts() { reads = rowsSkipped = 0; }

    std::vector<long> marked;  // rows marked for deletion
    long reads = 0;            // rows whose cells were read
    long reports = 0;          // calls of reportFailures()
    long rowsSkipped = 0;      // rows moved over in all
    std::uint64_t generationNumber = 0;

private:
    long m_count;
    Maker m_maker;
    long m_at = 0;
};

}  // namespace testsupport
