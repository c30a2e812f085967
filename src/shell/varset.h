// The settings dialog (VARSET) and the font choice (FONTSEL) without their widgets: which
// program-wide settings they edit, how, the checks on leaving a field, and what is written back to
// the configuration file when they close. Both edit core::programSettings() in place. One thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace shell {

// One field of the settings dialog. Texts are UTF-8 (the dialog turns them into TIS-620).
struct VarsetField {
    enum class Check { None, Path, YesNo, Format, ManualWeights };
    const char* page;      // folder page caption, "&" before the access key
    const char* label;
    const char* variable;  // the program-wide setting it edits
    const char* picture;   // xBase picture of the entry
    int width;             // characters of the value
    int displayChars;      // characters of the box (0: as the value)
    Check check;
};

// The twenty-two fields, page by page, in the order of the dialog.
std::span<const VarsetField> varsetFields();

class VarsetModel {
public:
    static constexpr int kPathWidth = 60;

    static std::string title();     // TIS-620
    static std::string okCaption();

    // The dialog opens: sound 7; the four folders are padded with blanks to 60 characters.
    void open();
    // The folders padded as open() pads them, for editing again after a save that failed.
    static void padFolders();
    // The check of a field on leaving it; false keeps the focus there. A folder must end with the
    // path separator ("\" as the sites write them, or "/"); a switch must be "Y" or "N"; a frame
    // format one of scale::kFrameFormats; who may type a weight "0", "1" or "2".
    static bool check(const VarsetField& field, std::string_view value);
    // The first field of the dialog, page by page, whose value in the settings fails its check;
    // nullptr when every one passes. Nothing is written until this is nullptr: a field left with a
    // bad value on a page no longer shown is still caught.
    static const VarsetField* firstFailing(const core::Settings& settings);
    // The dialog closed (in any way): the folders trimmed, then SAVEINI writes the file, and each
    // key of the program's own on the dialog ("Format#n", "ManualW", "TruckTolKg", "TruckTolPct")
    // is written when it is not the default or the file has it already. False when the file could
    // not be written.
    bool close();
};

// What the settings and font dialogs say when the configuration file (VARFILE) could not be
// written, naming it (TIS-620).
std::string settingsNotSavedMessage();

// FONTSEL(n): a face with its height and width as the font dialog shows and returns them.
struct FontChoice {
    std::string face;  // TIS-620 as stored in CFONTn
    double height = 0;
    int width = 0;
};

class FontSelModel {
public:
    // n 1..3 the report fonts, 4..6 the document fonts.
    explicit FontSelModel(int n);
    int number() const { return m_n; }

    // The dialog's preset: CFONTn, CHEIGHTn divided by the font ratio, CWIDTHn.
    FontChoice preset() const;
    // After the dialog: a confirmed choice stores the face, the height -|h| x ratio and the width
    // |w|; a cancelled one (nullopt) changes nothing. Then, either way, CHKFONT and the six fonts
    // are written to the configuration file. False when the file could not be written.
    bool close(const std::optional<FontChoice>& chosen);

private:
    int m_n;
};

}  // namespace shell
