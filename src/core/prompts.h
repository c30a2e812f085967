// Prompts: everything the program tells or asks the person at the screen, as one interface.
//
// Operations below the GUI call it for their messages (Thai texts and titles in TIS-620, exactly as
// the screens show them); the GUI implements it with message boxes, tests with a script of answers
// and a record of what was shown. Confirmations of destructive actions default to No.
#pragma once

#include <string>

namespace core {

enum class MessageKind { Info, Alert, Stop };

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void message(MessageKind kind, const std::string& text, const std::string& title) = 0;
    // A Yes/No question with No as the default answer; true for Yes.
    virtual bool confirm(const std::string& text, const std::string& title) = 0;
};

// The prompts in force; until the program installs its own, messages are written to stderr
// (converted to UTF-8) and questions are answered No.
Prompts& prompts();
Prompts* setPrompts(Prompts* p);

}  // namespace core
