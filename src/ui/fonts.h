// Fonts: the Windows faces the settings name, mapped to the Thai faces installed on this system
// (fonts-thai-tlwg), with the size rules of the Windows font interface.
//
// Face map: "MS Sans Serif" -> Loma; "EucrosiaUPC" and "AngsanaUPC"/"Angsana New" -> Norasi, Kinnari;
// "LilyUPC" -> Sawasdee, Purisa; "CordiaUPC"/"Cordia New" and "BrowalliaUPC"/"Browallia New" ->
// Garuda; a face that is not installed -> Loma. The Windows Thai "UPC" and "New" faces draw their
// letters about 0.66 times as large as the TLWG faces at the same size, so their sizes are scaled by
// that factor to keep a layout made for them; "MS Sans Serif", a small bitmap face of Thai Windows,
// is scaled up by 1.3 so the screen font stays readable. Call installFontSubstitutions() once
// after the QApplication exists (makeFont does it itself).
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

namespace ui {

void installFontSubstitutions();
// The installed family a settings face is drawn with.
QString mappedFamily(std::string_view face);
// The size factor of a settings face (1 for faces that are installed as they are named).
double sizeFactor(std::string_view face);

// A font from the settings' face, width and height texts (read as numbers; text that is not a
// number counts as 0). Heights as the Windows font interface takes them: negative = character
// (em) height, positive = cell height (ascent + descent), 0 = the default size. A width other
// than 0 is the average character width, reached by stretching the face. Sizes are in units of
// `pixelsPerUnit` pixels (1 for the screen, whose settings are in screen pixels).
QFont makeFont(std::string_view face, std::string_view width, std::string_view height, double pixelsPerUnit = 1.0);
QFont makeFont(std::string_view face, int width, int height, double pixelsPerUnit = 1.0);

// OFONT0: the screen font of every dialog, from CFONT0, CWIDTH0 and CHEIGHT0 of the program-wide
// settings.
QFont screenFont();

}  // namespace ui
