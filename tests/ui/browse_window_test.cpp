#include "ui/browse_window.h"

#include <gtest/gtest.h>

#include "support/memory_row_source.h"

using testsupport::MemoryRowSource;
using ui::BrowseWindow;

namespace {

MemoryRowSource::Maker numbered()
{
    return [](long i, std::vector<std::string>& out) { out = {std::to_string(i)}; };
}

// The first cell of every visible row, and the highlighted one marked with '*'.
std::string shown(const BrowseWindow& w)
{
    std::string s;
    for (int i = 0; i < int(w.rows().size()); ++i) {
        if (!s.empty())
            s += ' ';
        s += (i == w.highlight() ? "*" : "") + w.rows()[std::size_t(i)].cells[0];
    }
    return s;
}

TEST(BrowseWindow, NavigationKeepsTheHighlightOnTheSourceRow)
{
    // Each step: the action, then the window expected, the source's row, and the rows it read and
    // moved over: a step fetches only what comes into sight, never the whole source.
    struct Step {
        const char* action;
        const char* window;
        long at;
        long reads, skipped;
    } steps[] = {
        {"top", "*0 1 2 3", 0, 4, 6},
        {"down", "0 *1 2 3", 1, 0, 1},
        {"down", "0 1 *2 3", 2, 0, 1},
        {"down", "0 1 2 *3", 3, 0, 1},
        {"down", "1 2 3 *4", 4, 1, 1},
        {"up", "1 2 *3 4", 3, 0, 1},
        {"pgdn", "5 6 *7 8", 7, 4, 10},
        {"pgdn", "6 7 8 *9", 9, 4, 8},
        {"down", "6 7 8 *9", 9, 0, 0},
        {"pgup", "2 3 4 *5", 5, 4, 10},
        {"pgup", "0 *1 2 3", 1, 4, 10},
        {"up", "*0 1 2 3", 0, 0, 1},
        {"up", "*0 1 2 3", 0, 0, 0},
        {"bottom", "6 7 8 *9", 9, 4, 6},
        {"click1", "6 *7 8 9", 7, 0, 2},
        {"top", "*0 1 2 3", 0, 4, 6},
    };
    MemoryRowSource src(10, numbered());
    BrowseWindow w(src, 4);
    for (const Step& s : steps) {
        src.resetCounts();
        const std::string a = s.action;
        if (a == "top") w.goTop();
        else if (a == "bottom") w.goBottom();
        else if (a == "down") w.down();
        else if (a == "up") w.up();
        else if (a == "pgdn") w.pageDown();
        else if (a == "pgup") w.pageUp();
        else if (a == "click1") w.select(1);
        EXPECT_EQ(shown(w), s.window) << a;
        EXPECT_EQ(src.at(), s.at) << a;
        EXPECT_EQ(std::pair(src.reads, src.rowsSkipped), std::pair(s.reads, s.skipped)) << a;
    }
}

// Fewer rows than lines, empty sources, opening where the source stands (keeping the window full), and
// rows refetched when the source changed, deleted ones marked.
TEST(BrowseWindow, SmallEmptyAndChangingSources)
{
    MemoryRowSource two(2, numbered());
    BrowseWindow w(two, 5);
    w.goBottom();
    EXPECT_EQ(shown(w), "0 *1");
    EXPECT_FALSE(w.pageDown());
    EXPECT_TRUE(w.up());
    EXPECT_EQ(shown(w), "*0 1");

    MemoryRowSource none(0, numbered());
    BrowseWindow e(none, 5);
    e.refreshAll();
    EXPECT_TRUE(e.empty());
    EXPECT_FALSE(e.down());
    EXPECT_FALSE(e.goTop());
    EXPECT_FALSE(e.select(0));

    MemoryRowSource hundred(100, numbered());
    hundred.setAt(98);
    BrowseWindow h(hundred, 5);
    h.refreshAll();
    EXPECT_EQ(shown(h), "95 96 97 *98 99") << "near the end the rows above fill the window";
    hundred.setAt(50);
    h.setHighlight(2);
    EXPECT_EQ(shown(h), "48 49 *50 51 52");
    EXPECT_EQ(hundred.at(), 50);

    MemoryRowSource abc(std::vector<std::vector<std::string>>{{"A"}, {"B"}, {"C"}});
    BrowseWindow c(abc, 3);
    c.goTop();
    EXPECT_FALSE(c.refreshIfChanged());
    abc.marked = {1};
    abc.generationNumber = 7;
    EXPECT_TRUE(c.refreshIfChanged());
    EXPECT_FALSE(c.rows()[0].deleted);
    EXPECT_TRUE(c.rows()[1].deleted);

    abc.setCount(1);  // rows went away behind the browse's back: it stands on what is left
    abc.setAt(5);
    c.refreshAll();
    EXPECT_EQ(c.rows().size(), 1u);
}

}  // namespace
