#pragma once

#include <QString>

#include <cstdint>

namespace vlk {

// Window-style bits that the station's dialog templates use, with the values the templates were drawn with.
namespace DialogStyle {
inline constexpr std::uint32_t Child = 0x40000000;
inline constexpr std::uint32_t Visible = 0x10000000;
inline constexpr std::uint32_t Disabled = 0x08000000;
inline constexpr std::uint32_t Border = 0x00800000;
inline constexpr std::uint32_t VScroll = 0x00200000;
inline constexpr std::uint32_t HScroll = 0x00100000;
inline constexpr std::uint32_t Group = 0x00020000;
inline constexpr std::uint32_t TabStop = 0x00010000;
inline constexpr std::uint32_t SetFont = 0x40;          // DS_SETFONT

inline constexpr std::uint32_t ButtonTypeMask = 0x0F;
inline constexpr std::uint32_t PushButton = 0x0;
inline constexpr std::uint32_t DefPushButton = 0x1;
inline constexpr std::uint32_t CheckBox = 0x2;
inline constexpr std::uint32_t AutoCheckBox = 0x3;
inline constexpr std::uint32_t RadioButton = 0x4;
inline constexpr std::uint32_t ThreeState = 0x5;
inline constexpr std::uint32_t AutoThreeState = 0x6;
inline constexpr std::uint32_t GroupBox = 0x7;
inline constexpr std::uint32_t AutoRadioButton = 0x9;

inline constexpr std::uint32_t EditCenter = 0x1;
inline constexpr std::uint32_t EditRight = 0x2;
inline constexpr std::uint32_t EditPassword = 0x20;
inline constexpr std::uint32_t EditAutoHScroll = 0x80;
inline constexpr std::uint32_t EditReadOnly = 0x800;
inline constexpr std::uint32_t EditNumber = 0x2000;

inline constexpr std::uint32_t StaticTypeMask = 0x1F;
inline constexpr std::uint32_t StaticCenter = 0x1;
inline constexpr std::uint32_t StaticRight = 0x2;
inline constexpr std::uint32_t StaticBitmap = 0x0E;
inline constexpr std::uint32_t StaticLeftNoWordWrap = 0x0C;
inline constexpr std::uint32_t StaticNotify = 0x100;
inline constexpr std::uint32_t StaticCenterImage = 0x200;
inline constexpr std::uint32_t StaticNoPrefix = 0x80;

inline constexpr std::uint32_t ComboSimple = 0x1;
inline constexpr std::uint32_t ComboDropDown = 0x2;
inline constexpr std::uint32_t ComboDropDownList = 0x3;

inline constexpr std::uint32_t UpDownHorizontal = 0x40;
inline constexpr std::uint32_t UpDownArrowKeys = 0x20;

inline constexpr std::uint32_t ScrollBarVertical = 0x1;
} // namespace DialogStyle

// One CONTROL line of a template. The text is either a string or, for bitmap statics,
// a resource number.
struct DialogItem {
    QString text;
    int ordinal = -1; // >= 0 when the text is a resource number
    int id = -1;
    QString className;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    int line = 0; // in the template's text, for messages

    [[nodiscard]] bool HasOrdinal() const { return ordinal >= 0; }
};

} // namespace vlk
