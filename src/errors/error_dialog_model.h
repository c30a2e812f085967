// The error dialog's texts and button rules without its widgets: which buttons a fault offers,
// which one is the default, and the dialog's size in dialog units. The Qt dialog
// (errors/error_dialog.h) lays them out; tests check the rules directly.
#pragma once

#include <string>
#include <vector>

namespace errors {

struct ErrorButtons {
    enum class Button { Quit, Retry, Default, SeeLog };
    std::vector<Button> shown;  // in the order of the dialog
    Button defaultButton = Button::Quit;
};

// "&Quit" and "See Error.log file" always; "&Retry" and "&Default" when the fault allows them.
// Quit is the default when it is the only choice or when both others are offered; with one of
// them offered, that one is.
ErrorButtons errorButtons(bool canRetry, bool canDefault);

const char* buttonCaption(ErrorButtons::Button b);
const char* errorDialogTitle();   // UTF-8
const char* stackListLabel();     // "&Stack List"

// The dialog's size in dialog units (a quarter of the average character width across, an eighth
// of the character height down): 300 by 250, the height of the newer systems' layout.
inline constexpr int kDialogWidthUnits = 300;
inline constexpr int kDialogHeightUnits = 250;

}  // namespace errors
