// The twelve code tables as the code browser and its editors see them: the number the menu and the
// pick-list use (1 suppliers .. 12 reports), the alias each is opened under, the browser's title and
// columns, the rights position that governs it, and the key text the editors place a new row by.
// The files, fields and index of each table are the catalogue's (storage::codeTable). Constant data.
#pragma once

#include <span>

#include "storage/catalogue.h"

namespace codes {

inline constexpr int kCodeTables = 12;
// Every code field's width, and the width of CODE in every code table.
inline constexpr int kCodeWidth = 10;

struct CodeColumn {
    const char* headingUtf8;  // the heading as shown, with its two leading blanks
    const char* expression;   // the value, evaluated on each row ("CODE", "CSNO")
    int width;                // pixels
    bool number;              // right-aligned
};

struct CodeTableDef {
    int number;                  // 1 .. 12
    const char* alias;           // the work area's alias ("farmer", "TruckDT" ...)
    const char* titleUtf8;       // the browser's title
    std::span<const CodeColumn> columns;
    const char* browadjKey;      // the key text BROWADJ places a new row by ("Farmer->code")
    int rightsPosition() const { return 16 + number; }
    const storage::TableDef& table() const { return storage::codeTable(number); }
};

// REQUIRES 1 <= number <= kCodeTables (std::out_of_range otherwise).
const CodeTableDef& codeTableDef(int number);

}  // namespace codes
