// Which printer a document goes to: the installed printer named as the kind of document ("Ticket",
// "Report"), else the first whose name contains that word (letter case ignored), else the person
// chooses each time. The installed printers and the person's choice are behind a seam: the GUI
// asks the print system and shows its printer dialog, tests give a list and a scripted choice.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class Printers {
public:
    virtual ~Printers() = default;
    virtual std::vector<std::string> installed() = 0;
    // Lets the person pick a printer (or a file); nullopt when they cancel. An empty name means
    // "the choice was a PDF file", whose path the implementation keeps.
    virtual std::optional<std::string> choose(const std::string& title) = 0;
};

// The rule alone: exact name (no regard to case), else the first that contains it, else nullopt.
std::optional<std::string> findPrinter(std::string_view wanted, const std::vector<std::string>& installed);

// The beep that says no printer is named like the kind of document.
void noPrinterBeep();

// The whole choice: the rule, and when it finds none a beep and the person's choice; nullopt when
// they cancel.
std::optional<std::string> choosePrinter(Printers& printers, std::string_view wanted, const std::string& title);

}  // namespace core
