// Message boxes: the program's prompts (core::Prompts) shown as Qt message boxes - information,
// alert and stop with one "&ตกลง" button, and Yes/No questions whose default button is No. Thai
// texts and titles, the screen font, centred over the active window. The GUI installs one QtPrompts
// for the whole run; everything below the GUI reaches it through core::prompts().
#pragma once

#include <string>

#include "core/prompts.h"

class QWidget;

namespace ui {

class QtPrompts final : public core::Prompts {
public:
    void message(core::MessageKind kind, const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
};

}  // namespace ui
