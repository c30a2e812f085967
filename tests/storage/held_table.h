// HeldTable: another workstation (a forked process) that opens a table file in the given share
// mode and holds it open until released or until the object goes.
#pragma once

#include <memory>
#include <string>

#include "fork_child.h"
#include "storage/table.h"

namespace storagetest {

class HeldTable {
public:
    explicit HeldTable(const std::string& path, storage::ShareMode mode = storage::ShareMode::Shared)
        : m_child([path, mode](Child& c) {
              std::unique_ptr<storage::Table> t;
              if (!storage::Table::open(path, mode, &t).ok())
                  return 1;
              c.send('o');
              return c.receive() == 'x' ? 0 : 2;
          })
    {
        m_open = m_child.receive() == 'o';
    }
    ~HeldTable() { (void)release(); }
    bool open() const { return m_open; }
    // Closes the table; the other process's exit code (0: it held the table and closed it).
    int release()
    {
        if (!m_released) {
            m_released = true;
            m_child.send('x');
            m_code = m_child.wait();
        }
        return m_code;
    }

private:
    Child m_child;
    bool m_open = false;
    bool m_released = false;
    int m_code = 0;
};

}  // namespace storagetest
