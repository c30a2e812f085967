// The printers a test says are installed, and the person's answer to the printer dialog: every
// title the dialog was shown with is kept.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/printer_choice.h"

namespace testsupport {

class ScriptedPrinters final : public core::Printers {
public:
    explicit ScriptedPrinters(std::vector<std::string> installed = {}, std::optional<std::string> answer = {})
        : list(std::move(installed)), answer(std::move(answer))
    {
    }
    std::vector<std::string> installed() override { return list; }
    std::optional<std::string> choose(const std::string& title) override
    {
        titles.push_back(title);
        return answer;
    }

    std::vector<std::string> list;
    std::optional<std::string> answer;
    std::vector<std::string> titles;
};

}  // namespace testsupport
