#include "errors/error_dialog_model.h"

namespace errors {

ErrorButtons errorButtons(bool canRetry, bool canDefault)
{
    using B = ErrorButtons::Button;
    ErrorButtons b;
    b.shown.push_back(B::Quit);
    if (canRetry)
        b.shown.push_back(B::Retry);
    if (canDefault)
        b.shown.push_back(B::Default);
    b.shown.push_back(B::SeeLog);
    b.defaultButton = canRetry == canDefault ? B::Quit : canRetry ? B::Retry : B::Default;
    return b;
}

const char* buttonCaption(ErrorButtons::Button b)
{
    switch (b) {
    case ErrorButtons::Button::Quit: return "&Quit";
    case ErrorButtons::Button::Retry: return "&Retry";
    case ErrorButtons::Button::Default: return "&Default";
    case ErrorButtons::Button::SeeLog: return "See Error.log file";
    }
    return "";
}

const char* errorDialogTitle()
{
    return "Mervo - ข้อผิดพลาดขณะทำงาน";
}

const char* stackListLabel()
{
    return "&Stack List";
}

}  // namespace errors
