#pragma once

#include <QIcon>

#include <span>
#include <string_view>

class QColor;
class QPainter;
class QRectF;

namespace ks {

// The menus name their symbols once ("heart.fill"); this is where each becomes an icon of
// the freedesktop icon theme.

// Every symbol the table knows.
std::span<const std::string_view> knownSymbols();
// The icon name a symbol is drawn with ("emblem-favorite-symbolic"); empty when the table
// lacks the symbol.
std::string_view symbolIconName(std::string_view symbolName);
// The icon of the user's theme, else Adwaita's; null when neither has it.
QIcon symbolIcon(std::string_view symbolName);
// Draws the symbol into `rect` in one colour, as symbolic icons are meant to be drawn, sharp
// at the painter's pixel ratio. Draws nothing for a symbol without an icon.
void drawSymbol(QPainter& painter, const QRectF& rect, std::string_view symbolName,
                const QColor& colour);

} // namespace ks
