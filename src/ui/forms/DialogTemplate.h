#pragma once

#include "forms/DialogItem.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vlk {

// A page layout as drawn in dialog units: the subset of the DIALOG statement the station's
// templates use (STYLE, EXSTYLE, CAPTION, FONT and one CONTROL line per item).
class DialogTemplate {
public:
    int id = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    QString caption;
    int pointSize = 0;
    QString face;
    std::vector<DialogItem> items;

    [[nodiscard]] bool HasFont() const { return (style & DialogStyle::SetFont) != 0; }
    [[nodiscard]] const DialogItem* Item(int itemId) const;

    // Reads the first template of the text. On failure returns nothing and sets `error` to
    // "line N: what".
    [[nodiscard]] static std::optional<DialogTemplate> Parse(const QString& text, QString* error = nullptr);
    // Reads template `templateId` from the embedded resources (":/dialogs/<id>.rc").
    [[nodiscard]] static std::optional<DialogTemplate> Load(int templateId, QString* error = nullptr);
    [[nodiscard]] static QString ResourcePath(int templateId);
};

} // namespace vlk
