#include "weighing/list_dialog_model.h"

#include "core/settings.h"
#include "core/tis620.h"

namespace weighing {

ListDialogModel::ListDialogModel(storage::Workspace& ws)
    : m_tables(ws), m_settings(core::programSettings()), m_context({&m_tables, &m_settings})
{
}

std::unique_ptr<ListDialogModel> ListDialogModel::create(storage::Workspace& ws, const std::string& alias,
                                                         std::string title, std::vector<BrowseColumn> columns,
                                                         const std::string& scope, Choose choose, std::string* error)
{
    std::unique_ptr<ListDialogModel> m(new ListDialogModel(ws));
    m->m_title = std::move(title);
    m->m_columns = std::move(columns);
    m->m_choose = std::move(choose);
    storage::Table* t = ws.find(alias);
    if (!t) {
        if (error)
            *error = "no table open as " + alias;
        return nullptr;
    }
    std::vector<std::string> expressions;
    for (const BrowseColumn& c : m->m_columns)
        expressions.push_back(c.expression);
    const storage::Status s = storage::TableRowSource::create(*t, expressions, &m->m_source, scope, &m->m_context);
    if (!s.ok()) {
        if (error)
            *error = s.toString();
        return nullptr;
    }
    m->m_browse = std::make_unique<codes::TableBrowse>(ws, alias, *m->m_source);
    return m;
}

std::string ListDialogModel::chooseCaption()
{
    return core::tis620::T("เ&ลือก");
}

void ListDialogModel::choose()
{
    if (!m_browse->sync())
        return;
    m_chosen = true;
    if (m_choose)
        m_choose(m_browse->table());
}

}  // namespace weighing
