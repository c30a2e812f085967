// Two workstations (processes) adding the same supplier code at the same moment: both passed the
// code entry's check before either saved; the code is stored once and the other form is refused
// with the duplicate alert.
#include <gtest/gtest.h>
#include <unistd.h>

#include "codes_fixture.h"
#include "storage/fork_child.h"
#include "support/seams.h"

using namespace codestest;

namespace {

// Child exit codes.
constexpr int kStored = 0;
constexpr int kRefused = 1;
constexpr int kBroken = 2;

TEST(DuplicateCode, TwoProcessesAddingTheSameCodeAtOnceStoreItOnce)
{
    CodeSite site;
    site.add(1, {{"A01", "มีอยู่แล้ว"}});
    const auto workstation = [&](storagetest::Child& parent) {
        testsupport::RecordingPrompts prompts;
        OpenBrowse b(1);
        if (!b.browse)
            return kBroken;
        codes::CodeEditor editor(*b.browse, 1, true, 6);
        if (!editor.begin())
            return kBroken;
        editor.values().setText("CODE", pad("DUP"));
        editor.values().setText("NAME", pad(T("ชื่อจาก ") + std::to_string(::getpid()), 60));
        if (!editor.check("CODE"))
            return kBroken;  // free when the entry was left, in both
        // The first to take the lock holds it a while: the other must wait and then see the code.
        editor.setBeforeWrite([] { ::usleep(300 * 1000); });
        parent.send('r');
        if (parent.receive() != 'g')
            return kBroken;
        if (editor.save())
            return kStored;
        const bool alerted = prompts.shown.size() == 1 && prompts.shown[0].text == T("รหัสนี้มีในตารางข้อมูลแล้ว !");
        return alerted && editor.values().text("CODE") == pad("DUP") ? kRefused : kBroken;
    };
    storagetest::Child a(workstation), b(workstation);
    ASSERT_EQ(a.receive(), 'r');
    ASSERT_EQ(b.receive(), 'r');
    a.send('g');
    b.send('g');
    const int ra = a.wait(), rb = b.wait();
    EXPECT_EQ(std::min(ra, rb), kStored);
    EXPECT_EQ(std::max(ra, rb), kRefused);
    EXPECT_EQ(site.codes(1), (std::vector<std::string>{"A01", "DUP"}));
}

}  // namespace
