#pragma once

class QPainter;
class QRectF;

namespace ks {

// The accent ring around a selected thumbnail or card, clear of its content.
void paintSelectionRing(QPainter& painter, const QRectF& content, double cornerRadius);
// The ring of the control the keyboard works, drawn along `outline`.
void paintFocusRing(QPainter& painter, const QRectF& outline, double cornerRadius);

} // namespace ks
