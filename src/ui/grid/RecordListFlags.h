#pragma once

#include "config/Catalogue.h"

namespace vlk {

// The grid style bits (RLS_*) and column flags (RLC_*) are shared with the table catalogue.

// Notification codes sent to the parent; they keep the numbers of the list-view and header
// notifications the pages were written against.
inline constexpr int RLN_TOGGLED = 0;
inline constexpr int RLN_SELCHANGED = 1;
inline constexpr int RLN_DBLCLICK = 2;
inline constexpr int NM_RCLICK = -5;
inline constexpr int LVN_ITEMCHANGING = -100;
inline constexpr int LVN_ITEMCHANGED = -101;
inline constexpr int LVN_BEGINLABELEDIT = -105;
inline constexpr int LVN_ENDLABELEDIT = -106;
inline constexpr int LVN_COLUMNCLICK = -108;
inline constexpr int HDN_DIVIDERDBLCLICK = -305;
inline constexpr int HDN_BEGINTRACK = -306;
inline constexpr int HDN_ENDTRACK = -307;
inline constexpr int HDN_TRACK = -308;

// Raster operations of DrawBitmap, with the platform's codes.
inline constexpr unsigned ROP_SRCCOPY = 0x00CC0020;
inline constexpr unsigned ROP_MERGECOPY = 0x00C000CA;
inline constexpr unsigned ROP_MERGEPAINT = 0x00BB0226;
inline constexpr unsigned ROP_SRCAND = 0x008800C6;
inline constexpr unsigned ROP_SRCINVERT = 0x00660046;

// Window style bit that gives the grid a one-pixel frame.
inline constexpr unsigned WS_BORDER = 0x00800000;

// Control identifier of the in-place editor.
inline constexpr int RL_EDITOR_ID = 24060;

} // namespace vlk
