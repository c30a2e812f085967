// Workspace: the work areas of one operation - open tables by alias (matched without regard to
// letter case), the selected table, relations (a child table seeks when its parent moves) and
// closeAll(). Owns its tables; one thread. Each operation of the program opens its tables in a
// Workspace when it starts and closes them all when it ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/key_source.h"
#include "storage/status.h"
#include "storage/table.h"

namespace storage {

class Workspace {
public:
    Workspace() = default;
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Opens a table under an alias, closing what the alias held first, and selects it. On failure
    // the alias stays closed and the selection is unchanged.
    Status open(std::string_view alias, const std::string& path, ShareMode mode, Table** out = nullptr);
    // Puts an open table under an alias (closing what the alias held) and selects it.
    Table* adopt(std::string_view alias, std::unique_ptr<Table> table);

    Table* find(std::string_view alias) const;
    Table* current() const;
    const std::string& currentAlias() const;  // empty when nothing is selected
    Status select(std::string_view alias);
    Status close(std::string_view alias);
    // Closes every table (pending writes are written, locks released). The first failure is returned.
    Status closeAll();
    std::vector<std::string> aliases() const;

    // From now on, whenever parent moves, child seeks the key expression evaluated on parent's
    // record (a text key is a prefix seek, as the expression's result is compared over its length).
    Status setRelation(std::string_view parent, std::string_view child, const std::string& keyExpression);
    // The relations set from a parent, in order: the key expression and the child's alias (for the
    // error trap's report).
    struct RelationInfo {
        std::string expression;
        std::string childAlias;
    };
    std::vector<RelationInfo> relations(std::string_view parent) const;

    // Counts openings, closings and selections: what a name means may have changed when it moves.
    std::uint64_t changes() const { return m_changes; }

private:
    struct Relation {
        Table* child;
        std::unique_ptr<KeySource> key;
        std::string buffer;
    };
    struct Area {
        Workspace* owner;
        std::string alias;
        std::unique_ptr<Table> table;
        std::vector<Relation> relations;
    };

    Area* area(std::string_view alias) const;
    static void onMove(Table& table, void* area);

    std::vector<std::unique_ptr<Area>> m_areas;
    Area* m_current = nullptr;
    int m_relationDepth = 0;
    std::uint64_t m_changes = 0;
};

}  // namespace storage
