#include "accounts/status_screen.h"

#include <stdexcept>
#include <vector>

#include "codes/code_browser.h"
#include "codes/code_tables.h"
#include "core/seam.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "storage/catalogue.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"

namespace accounts {
namespace {

using core::tis620::T;

class NoScreens final : public StatusScreens {
public:
    void showList(StatusScreen&) override {}
    void showEditor(StatusEditor&) override {}
};

NoScreens g_noScreens;
core::Seam<StatusScreens> g_screens(&g_noScreens);

bool openLedger(storage::Workspace& ws, const StatusDef& def)
{
    const storage::TableDef* table = storage::findTable(def.table);
    if (!table)
        throw std::logic_error(std::string("status screen: no table ") + def.table);
    return storage::OPEN(ws, core::programSettings().text("CDRV2"), table->name, table->indexes[0].key, false,
                         T(table->openTitle), table->indexes[0].file, kStatusAlias);
}

}  // namespace

StatusScreens& statusScreens()
{
    return g_screens.get();
}

StatusScreens* setStatusScreens(StatusScreens* screens)
{
    return g_screens.install(screens);
}

StatusScreen::StatusScreen(storage::Workspace& ws, int number, int level)
    : m_ws(ws), m_def(statusDef(number)), m_level(level)
{
}

StatusScreen::~StatusScreen() = default;

std::string StatusScreen::title() const
{
    return T(m_def.titleUtf8);
}

bool StatusScreen::open()
{
    m_browse.reset();
    m_source.reset();
    (void)m_ws.closeAll();
    // The product pick-list needs the units as well: codes::openCodeTable opens them with the
    // products, so a pick-list never has to open a table (and close ours) while the screen runs.
    for (const NameTable& n : m_def.names) {
        if (!codes::openCodeTable(m_ws, n.codeTable)) {
            (void)m_ws.closeAll();
            return false;
        }
    }
    if (!openLedger(m_ws, m_def))
        return false;
    for (const NameTable& n : m_def.names) {
        if (!n.keyField)
            continue;
        const storage::Status s = m_ws.setRelation(kStatusAlias, codes::codeTableDef(n.codeTable).alias, n.keyField);
        if (!s.ok())
            throw std::logic_error("status screen: relation: " + s.toString());
    }
    storage::Table& t = *m_ws.find(kStatusAlias);
    (void)m_ws.select(kStatusAlias);
    (void)storage::retrying([&] { return t.goTop(); }, "GOTOP", t.path());

    // Columns name the code tables' fields (Product->NAME): the row's own fields first, then the
    // work areas, then the program-wide settings.
    m_tables = std::make_unique<storage::WorkspaceContext>(m_ws);
    m_settings = std::make_unique<expr::ValueMapContext>(core::programSettings());
    m_names = std::make_unique<expr::ChainContext>(std::vector<expr::Context*>{m_tables.get(), m_settings.get()});
    std::vector<std::string> columns;
    for (const StatusColumn& c : m_def.columns)
        columns.emplace_back(c.expression);
    const storage::Status s = storage::TableRowSource::create(t, columns, &m_source, {}, m_names.get());
    if (!s.ok())
        throw std::logic_error("status screen: " + s.toString());
    m_browse = std::make_unique<codes::TableBrowse>(m_ws, kStatusAlias, *m_source);
    return true;
}

void StatusScreen::namesFollow()
{
    // A pick-list moves a code table away from the row it follows; going to the highlighted row
    // again makes every name table seek its code.
    storage::Table& t = m_browse->table();
    if (m_browse->sync()) {
        const std::uint32_t at = t.recNo();
        (void)storage::retrying([&] { return t.goTo(at); }, "GOTO", t.path());
    }
    m_browse->refresh();
}

void StatusScreen::edit(bool adding)
{
    m_enterBound = false;
    STATEDIT(*m_browse, m_def, adding);
    m_enterBound = true;
    namesFollow();
}

void StatusScreen::add()
{
    if (canAdd())
        edit(true);
}

void StatusScreen::change()
{
    if (canChange())
        edit(false);
}

void StatusScreen::activate(int)
{
    if (m_enterBound)
        change();
}

void StatusScreen::mark()
{
    if (canMark())
        (void)codes::CDELETE(*m_browse);
}

void StatusScreen::top()
{
    (void)codes::SACTION(*m_browse, 1, {}, {});
}

void StatusScreen::bottom()
{
    (void)codes::SACTION(*m_browse, 2, {}, {});
}

void EDITPROC(int number, int level)
{
    storage::Workspace ws;
    {
        StatusScreen screen(ws, number, level);
        if (screen.open())
            statusScreens().showList(screen);
    }
    (void)ws.closeAll();
}

}  // namespace accounts
