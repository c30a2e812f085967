// Which calculator and text editor this machine offers, from the environment and the PATH.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform_programs.h"

namespace {

TEST(PlatformPrograms, WhatThisMachineOffers)
{
    struct Case {
        std::map<std::string, std::string> env;
        std::vector<std::string> installed;
        std::string file;
        std::optional<core::ProgramCommand> calc;
        std::optional<core::ProgramCommand> editor;
    };
    using P = core::ProgramCommand;
    const std::vector<Case> cases = {
        {{}, {}, "", std::nullopt, std::nullopt},
        {{}, {"xdg-open"}, "", std::nullopt, std::nullopt},  // xdg-open needs a file
        {{}, {"xdg-open"}, "error.log", std::nullopt, P{"xdg-open", {"error.log"}}},
        {{}, {"xcalc", "galculator", "mousepad"}, "", P{"galculator", {}}, P{"mousepad", {}}},
        {{{"VISUAL", "code -w"}}, {"code", "gedit"}, "a.txt", std::nullopt, P{"code", {"-w", "a.txt"}}},
        {{{"EDITOR", "nano"}}, {"nano", "x-terminal-emulator"}, "a.txt", std::nullopt,
         P{"x-terminal-emulator", {"-e", "nano", "a.txt"}}},
        {{{"EDITOR", "vi"}}, {"vi", "gedit"}, "", std::nullopt, P{"gedit", {}}},  // no terminal to run vi in
        {{{"VISUAL", "missing-editor"}}, {"kate"}, "", std::nullopt, P{"kate", {}}},
    };
    for (const Case& c : cases) {
        core::PlatformLookup lookup;
        lookup.environment = [&](const char* v) { return c.env.count(v) ? c.env.at(v) : std::string(); };
        lookup.onPath = [&](const std::string& p) {
            return std::find(c.installed.begin(), c.installed.end(), p) != c.installed.end();
        };
        const auto calc = core::calculatorCommand(lookup);
        const auto editor = core::editorCommand(lookup, c.file);
        ASSERT_EQ(calc.has_value(), c.calc.has_value());
        if (calc) {
            EXPECT_EQ(calc->program, c.calc->program);
        }
        ASSERT_EQ(editor.has_value(), c.editor.has_value()) << (c.installed.empty() ? "" : c.installed[0]);
        if (editor) {
            EXPECT_EQ(editor->program, c.editor->program);
            EXPECT_EQ(editor->arguments, c.editor->arguments);
        }
    }
}

}  // namespace
