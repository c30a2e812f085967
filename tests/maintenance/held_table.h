// Helpers the maintenance tests share: another workstation (a forked process) holding a table file
// open until the object goes, and the outcomes of a job's steps.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "maintenance/maintenance_tables.h"
#include "storage/fork_child.h"
#include "storage/table.h"

namespace mainttest {

class HeldTable {
public:
    explicit HeldTable(const std::string& path)
        : m_child([path](storagetest::Child& c) {
              std::unique_ptr<storage::Table> t;
              if (!storage::Table::open(path, storage::ShareMode::Shared, &t).ok())
                  return 1;
              c.send('o');
              c.receive();
              return 0;
          })
    {
        m_open = m_child.receive() == 'o';
    }
    ~HeldTable()
    {
        m_child.send('x');
        m_child.wait();
    }
    bool open() const { return m_open; }

private:
    storagetest::Child m_child;
    bool m_open = false;
};

inline std::vector<maintenance::Outcome> outcomes(const std::vector<maintenance::StepResult>& r)
{
    std::vector<maintenance::Outcome> out;
    for (const auto& s : r)
        out.push_back(s.outcome);
    return out;
}

inline long done(const std::vector<maintenance::StepResult>& r)
{
    return std::count_if(r.begin(), r.end(), [](const auto& s) { return s.outcome == maintenance::Outcome::Done; });
}

}  // namespace mainttest
