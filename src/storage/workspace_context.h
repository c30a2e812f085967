// WorkspaceContext: the stored-expression evaluator's view of a Workspace. An unqualified name and
// FIELD->NAME are fields of the selected table, ALIAS->NAME a field of the table open under ALIAS
// (aliases and names without regard to letter case); DELETED() RECNO() RECCOUNT() LASTREC() EOF()
// BOF() FOUND() ask the selected table, or ALIAS->( ... ) the named one. Variables are not its
// business: put it in front of them with expr::ChainContext. Bindings are renewed whenever a table
// is opened, closed or selected. Lives no longer than its Workspace; one thread.
#pragma once

#include <cstdint>
#include <vector>

#include "expr/expr.h"
#include "storage/workspace.h"

namespace storage {

class WorkspaceContext final : public expr::Context {
public:
    explicit WorkspaceContext(Workspace& workspace) : m_workspace(workspace), m_seen(workspace.changes()) {}

    expr::Binding bind(const expr::NameRef& name) override;
    void read(std::int32_t slot, core::Value& out) override;
    void appendText(std::int32_t slot, std::string& out) override;
    core::Date date(std::int32_t slot) override;
    expr::Binding bindTable(std::string_view alias) override;
    core::Value tableState(std::int32_t slot, expr::TableQuery query) override;
    std::uint64_t generation() const override;

private:
    struct FieldSlot {
        Table* table;
        int field;
    };
    Workspace& m_workspace;
    mutable std::uint64_t m_seen;
    std::vector<FieldSlot> m_fields;
    std::vector<Table*> m_tables;
};

}  // namespace storage
