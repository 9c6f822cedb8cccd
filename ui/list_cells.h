// What the list views draw: their columns, every cell's text (LVN_GETDISPINFO), the
// share bars (NM_CUSTOMDRAW), the self-drawn header's pieces and the colours. Cells
// are produced on request from the rows and the tree; nothing is kept per row.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "config/language.h"
#include "render/theme.h"
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/view_state.h"
#include <cstdint>
#include <string>

// --- Columns -------------------------------------------------------------------------------
struct ListColumnInfo {
  Text title;
  int32_t widthDips;
  bool rightAligned;
};
extern const ListColumnInfo kFileColumnInfo[kFileColumnCount];
extern const ListColumnInfo kExtensionColumnInfo[kExtensionColumnCount];
// The columns of Files or Extensions (none for the map).
const ListColumnInfo* listColumns(MainView view, int32_t& count);
// The last column fills the client width: max(80 DIPs, client width − the other
// columns' widths), all in pixels.
int32_t lastColumnWidth(int32_t clientWidth, int32_t otherColumnsWidth, int32_t dpi);

// --- Cells ------------------------------------------------------------------------------------
// "Date modified" for a FILETIME (UTC): the Windows side converts it to local time and
// formats it with the user's short date and time; empty when that fails.
using DateTextFunction = std::u16string (*)(int64_t filetime);

// A cell's text; empty without a tree, for rows past the end and columns that do not
// exist. A Files row past the ordered prefix extends it first.
std::u16string listCellText(ViewState& s, MainView view, int64_t row, int32_t column, DateTextFunction dateText);

// A Files name's type: its extension with A-Z lowered; empty without one.
std::u16string fileTypeText(const Tree& tree, int32_t node);
// "12.5 %": size × 100 ÷ total with one decimal; 0 when the total is 0.
std::u16string shareText(int64_t size, int64_t total);

// --- Share bars ---------------------------------------------------------------------------------
// The column whose cells carry a bar: 2 in Files, 4 in Extensions.
int32_t shareColumn(MainView view);
// Inside the Share cell (pixels): a track of the cell width − 80 DIPs from 8 DIPs in,
// 4 DIPs high around the centre, and over it the filled part, at least 1 pixel, in the
// row's map colour (a file's scheme colour, a type's type colour). No bar when the
// track would be shorter than 16 DIPs, or for a row that does not exist.
struct ShareBar {
  bool shown = false;
  PixelRect track, fill;
  uint32_t color = 0;           // 0x00RRGGBB
};
ShareBar shareBar(ViewState& s, MainView view, int64_t row, const PixelRect& cell, int32_t dpi);

// --- Header ----------------------------------------------------------------------------------------
// One header item (pixels): the text inset 8 DIPs on both sides, a 1-pixel separator
// at its right edge from 6 DIPs below the top to 6 above the bottom, and for the
// sorted column a filled triangle 8 DIPs wide and 4 high, centred, 2 DIPs below the
// top: apex up when ascending, down when descending.
struct HeaderItemLayout {
  PixelRect text;
  PixelRect separator;
  bool arrow = false;
  int32_t arrowX[3] = {}, arrowY[3] = {};   // apex first
};
HeaderItemLayout headerItemLayout(const PixelRect& item, int32_t dpi, bool sorted, bool ascending);

// --- Colours -----------------------------------------------------------------------------------------
struct ListColors {
  uint32_t background, text;                       // LVM_SETBKCOLOR / SETTEXTBKCOLOR, SETTEXTCOLOR
  uint32_t headerBackground, headerHot, headerText, headerSeparator;
  uint32_t track;                                  // the share bars' track
};
ListColors listColors(const ThemeColors& theme);
