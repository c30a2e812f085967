// The record pointer of a Table: top, bottom, skips and seeks in record order or in the active
// order, with the xBase rules at both ends (EOF is the phantom record after the last; BOF leaves
// the pointer on the first record).
#include "storage/table.h"

namespace storage {

// ---- The record pointer

void Table::moved()
{
    if (m_moveHook)
        m_moveHook(*this, m_moveContext);
}

Status Table::positionAt(std::uint32_t recno)
{
    m_loaded = false;
    m_bof = false;
    if (recno == 0) {
        if (m_dbf->shared())
            STORAGE_TRY(m_dbf->refreshCount());
        m_recno = m_dbf->count() + 1;
        m_eof = true;
        return {};
    }
    m_recno = recno;
    m_eof = false;
    return {};
}

std::uint32_t Table::recCount()
{
    if (m_dbf->shared())
        (void)m_dbf->refreshCount();
    return m_dbf->count();
}

Status Table::goTop()
{
    STORAGE_TRY(writePending());
    m_found = false;
    std::uint32_t r = 0;
    if (Order* o = active()) {
        Status s = o->index->goTop(&r);
        gatherNotes();
        STORAGE_TRY(s);
    } else {
        r = recCount() >= 1 ? 1 : 0;
    }
    STORAGE_TRY(positionAt(r));
    m_bof = m_eof;
    moved();
    return {};
}

Status Table::goBottom()
{
    STORAGE_TRY(writePending());
    m_found = false;
    std::uint32_t r = 0;
    if (Order* o = active()) {
        Status s = o->index->goBottom(&r);
        gatherNotes();
        STORAGE_TRY(s);
    } else {
        r = recCount();
    }
    STORAGE_TRY(positionAt(r));
    m_bof = m_eof;
    moved();
    return {};
}

Status Table::goTo(std::uint32_t recno)
{
    STORAGE_TRY(writePending());
    if (recno > m_dbf->count() && m_dbf->shared())
        STORAGE_TRY(m_dbf->refreshCount());
    STORAGE_TRY(positionAt(recno <= m_dbf->count() ? recno : 0));
    moved();
    return {};
}

Status Table::syncCursor(Order& o, bool* onCurrent, std::uint32_t* at)
{
    if (o.index->positioned() && o.index->currentRecno() == m_recno) {
        *onCurrent = true;
        return {};
    }
    STORAGE_TRY(load());
    o.key->key(m_buf.data(), o.newKey);
    Status s = o.index->locate(o.newKey, m_recno, onCurrent, at);
    gatherNotes();
    return s;
}

Status Table::skipOne(int direction)
{
    m_bof = false;
    if (Order* o = active()) {
        std::uint32_t r = 0;
        Status s;
        if (m_eof) {
            if (direction > 0)
                return {};
            s = o->index->goBottom(&r);
        } else {
            bool on = false;
            std::uint32_t at = 0;
            STORAGE_TRY(syncCursor(*o, &on, &at));
            if (on)
                s = o->index->skip(direction, &r);
            else if (direction > 0)
                r = at;  // where this record's key would be: the next entry
            else
                s = at == 0 ? o->index->goBottom(&r) : o->index->skip(-1, &r);
        }
        gatherNotes();
        STORAGE_TRY(s);
        if (r == 0) {
            if (direction > 0)
                return positionAt(0);
            m_bof = true;  // before the first: the pointer stays where it was
            return {};
        }
        return positionAt(r);
    }
    if (m_eof) {
        if (direction > 0)
            return {};
        const std::uint32_t n = recCount();
        if (n == 0) {
            m_bof = true;
            return {};
        }
        return positionAt(n);
    }
    if (direction > 0) {
        if (m_recno >= m_dbf->count() && m_dbf->shared())
            STORAGE_TRY(m_dbf->refreshCount());
        return positionAt(m_recno + 1 > m_dbf->count() ? 0 : m_recno + 1);
    }
    if (m_recno <= 1) {
        m_bof = true;
        return {};
    }
    return positionAt(m_recno - 1);
}

Status Table::skip(long n)
{
    STORAGE_TRY(writePending());
    if (n == 0) {
        m_loaded = false;  // re-read
        return {};
    }
    const int direction = n > 0 ? 1 : -1;
    for (long i = 0; i < (n > 0 ? n : -n); ++i) {
        STORAGE_TRY(skipOne(direction));
        if ((direction > 0 && m_eof) || (direction < 0 && m_bof))
            break;
    }
    moved();
    return {};
}

Status Table::seek(std::string_view key, bool soft, bool last)
{
    STORAGE_TRY(writePending());
    Order* o = active();
    if (!o)
        return Status::invalidArgument(path() + ": seek without an active order");
    std::uint32_t r = 0;
    bool found = false;
    Status s = o->index->seek(key, last, &r, &found);
    gatherNotes();
    STORAGE_TRY(s);
    m_found = found;
    STORAGE_TRY(positionAt(found || soft ? r : 0));
    moved();
    return {};
}

Status Table::seekValue(const core::Value& v, bool soft, bool last)
{
    Order* o = active();
    if (!o)
        return Status::invalidArgument(path() + ": seek without an active order");
    std::string key;
    switch (o->key->type()) {
    case 'C':
        if (!v.isText())
            return Status::typeMismatch("seek of a non-text value in a text order");
        key = v.asText();
        break;
    case 'N':
        if (!v.isNumber())
            return Status::typeMismatch("seek of a non-numeric value in a numeric order");
        key.resize(std::size_t(o->key->size()));
        encodeNumericKey(v.asNumber(), o->key->size(), o->key->decimals(), key.data());
        break;
    case 'D':
        if (!v.isDate())
            return Status::typeMismatch("seek of a non-date value in a date order");
        key = v.asDate().dtos();
        break;
    default:
        if (!v.isLogical())
            return Status::typeMismatch("seek of a non-logical value in a logical order");
        key = v.asLogical() ? "T" : "F";
    }
    return seek(key, soft, last);
}

Status Table::skipMany(std::size_t n, std::vector<std::uint32_t>* recnos)
{
    recnos->clear();
    STORAGE_TRY(writePending());
    if (n == 0 || (m_eof && !m_bof))
        return {};
    if (Order* o = active()) {
        std::vector<NtxIndex::Entry> entries;
        Status s;
        if (m_eof) {
            std::uint32_t r = 0;
            s = o->index->goTop(&r);
            if (s.ok() && r != 0) {
                entries.push_back({r, o->index->currentKey()});
                if (n > 1) {
                    std::vector<NtxIndex::Entry> more;
                    s = o->index->skipMany(n - 1, &more);
                    entries.insert(entries.end(), more.begin(), more.end());
                }
            }
        } else {
            bool on = false;
            std::uint32_t at = 0;
            s = syncCursor(*o, &on, &at);
            if (s.ok() && !on && at != 0) {
                entries.push_back({at, o->index->currentKey()});
                --n;
            }
            if (s.ok() && n > 0 && (on || at != 0)) {
                std::vector<NtxIndex::Entry> more;
                s = o->index->skipMany(n, &more);
                entries.insert(entries.end(), more.begin(), more.end());
            }
        }
        gatherNotes();
        STORAGE_TRY(s);
        for (const auto& e : entries)
            recnos->push_back(e.recno);
    } else {
        const std::uint32_t count = recCount();
        for (std::uint32_t r = m_eof ? 1 : m_recno + 1; r <= count && recnos->size() < n; ++r)
            recnos->push_back(r);
    }
    if (recnos->empty())
        STORAGE_TRY(positionAt(0));
    else
        STORAGE_TRY(positionAt(recnos->back()));
    moved();
    return {};
}

Status Table::skipBatch(long n, std::vector<NtxIndex::Entry>* out)
{
    out->clear();
    STORAGE_TRY(writePending());
    if (n == 0)
        return {};
    const int dir = n > 0 ? 1 : -1;
    std::size_t left = std::size_t(n > 0 ? n : -n);
    if (Order* o = active()) {
        Status s;
        if (m_eof) {
            std::uint32_t r = 0;
            if (dir < 0)
                s = o->index->goBottom(&r);
            if (s.ok() && r != 0) {
                out->push_back({r, o->index->currentKey()});
                --left;
            } else {
                left = 0;
            }
        } else {
            bool on = false;
            std::uint32_t at = 0;
            s = syncCursor(*o, &on, &at);
            if (s.ok() && !on) {
                // The record's key is not where the order would have it (changed meanwhile): the
                // cursor stands where it would be, on the next entry.
                std::uint32_t r = 0;
                if (dir > 0)
                    r = at;
                else
                    s = at == 0 ? o->index->goBottom(&r) : o->index->skip(-1, &r);
                if (s.ok() && r != 0) {
                    out->push_back({r, o->index->currentKey()});
                    --left;
                } else {
                    left = 0;
                }
            }
        }
        if (s.ok() && left > 0) {
            std::vector<NtxIndex::Entry> more;
            s = o->index->skipMany(left, &more, dir);
            out->insert(out->end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        }
        gatherNotes();
        STORAGE_TRY(s);
    } else if (!(m_eof && dir > 0)) {
        const std::uint32_t count = recCount();
        std::int64_t r = m_eof ? std::int64_t(count) + 1 : std::int64_t(m_recno);
        for (; left > 0; --left) {
            r += dir;
            if (r < 1 || r > std::int64_t(count))
                break;
            out->push_back({std::uint32_t(r), {}});
        }
    }
    if (!out->empty()) {
        STORAGE_TRY(positionAt(out->back().recno));
    } else if (dir > 0) {
        STORAGE_TRY(positionAt(0));
    } else {
        m_bof = true;
    }
    moved();
    return {};
}

}  // namespace storage
