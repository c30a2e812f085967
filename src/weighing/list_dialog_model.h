// A small modal list to choose one row from: the trucks waiting for weigh-out (GETTABLE) and a
// customer's sales orders (POPORDER). The model holds the title, the columns, the browse over the
// table (in its active order, limited to a key prefix) and what choosing a row does; the Qt dialog
// shows a ui::BrowseWidget over source() with the document colours (navigation.h) and the button
// "เ&ลือก". One thread; the workspace must outlive the model.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codes/table_browse.h"
#include "expr/contexts.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"
#include "weighing/navigation.h"

namespace weighing {

class ListDialogModel {
public:
    using Choose = std::function<void(storage::Table& row)>;

    // The browse starts on the table's current record when it is within the scope. Null (with the
    // reason in *error) when a column does not compile on the table.
    static std::unique_ptr<ListDialogModel> create(storage::Workspace& ws, const std::string& alias, std::string title,
                                                   std::vector<BrowseColumn> columns, const std::string& scope,
                                                   Choose choose, std::string* error = nullptr);

    const std::string& title() const { return m_title; }  // TIS-620
    const std::vector<BrowseColumn>& columns() const { return m_columns; }
    static std::string chooseCaption();  // "เ&ลือก"
    storage::TableRowSource& source() { return *m_source; }
    codes::TableBrowse& browse() { return *m_browse; }

    // A double click or the choose button: the highlighted row is taken and the dialog closes. A
    // browse standing past its last row chooses nothing.
    void choose();
    bool chosen() const { return m_chosen; }

private:
    ListDialogModel(storage::Workspace& ws);

    std::string m_title;
    std::vector<BrowseColumn> m_columns;
    Choose m_choose;
    bool m_chosen = false;
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_settings;
    expr::ChainContext m_context;
    std::unique_ptr<storage::TableRowSource> m_source;
    std::unique_ptr<codes::TableBrowse> m_browse;
};

}  // namespace weighing
