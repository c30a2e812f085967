// Helpers of the status screen tests over the weighing tests' site (orders SO1 and SO2 of C001 for
// P001): scripted status dialogs, a status screen in a workspace of its own, typing into an editor.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "accounts/status_screen.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "weighing/weighing_fixture.h"

namespace statustest {

using core::tis620::T;

// The dialogs of the status screens as scripts.
class ScriptedStatusScreens final : public accounts::StatusScreens {
public:
    ScriptedStatusScreens() : m_previous(accounts::setStatusScreens(this)) {}
    ~ScriptedStatusScreens() override { accounts::setStatusScreens(m_previous); }

    void showList(accounts::StatusScreen& screen) override
    {
        if (onList)
            onList(screen);
    }
    void showEditor(accounts::StatusEditor& editor) override
    {
        editors.push_back(editor.adding() ? "add" : "change");
        if (onEditor)
            onEditor(editor);
    }

    std::function<void(accounts::StatusScreen&)> onList;
    std::function<void(accounts::StatusEditor&)> onEditor;
    std::vector<std::string> editors;  // "add" / "change", in order

private:
    accounts::StatusScreens* m_previous;
};

inline std::string pad(const std::string& utf8, std::size_t width = 10)
{
    return core::xbase::padRight(T(utf8), width);
}

// A status screen open in a workspace of its own, as EDITPROC has it.
struct OpenScreen {
    explicit OpenScreen(int number, int level = 6) : screen(ws, number, level) { EXPECT_TRUE(screen.open()); }

    // Highlights the row whose key is made of these codes.
    void highlight(const std::vector<const char*>& codes)
    {
        std::string key;
        for (const char* c : codes)
            key += pad(c);
        storage::Table& t = screen.browse().table();
        ASSERT_TRUE(t.seek(key).ok());
        ASSERT_TRUE(t.found()) << key;
        screen.browse().follow();
    }
    // The highlighted row's cells, blanks around them removed (UTF-8).
    std::vector<std::string> cells()
    {
        std::vector<std::string> out;
        screen.source().cells(out);
        for (std::string& c : out)
            c = core::tis620::toUtf8(core::xbase::alltrim(c));
        return out;
    }

    storage::Workspace ws;
    accounts::StatusScreen screen;
};

// Types a text into an editor's entry (padded to a code's width) and leaves it.
inline bool enter(accounts::StatusEditor& e, const char* name, const char* utf8)
{
    e.values().setText(name, pad(utf8));
    return e.check(name);
}

inline bool enterNumber(accounts::StatusEditor& e, const char* name, double v)
{
    e.values().setNumber(name, v, 2);
    return e.check(name);
}

// How many duplicate-key alerts the prompts showed.
inline int duplicateAlerts(const testsupport::RecordingPrompts& p)
{
    int n = 0;
    for (const auto& s : p.shown)
        n += s.text == T("รหัสนี้มีในตารางข้อมูลแล้ว !") && s.title == T("คำเตือน");
    return n;
}

}  // namespace statustest
