#pragma once

class QPainter;
class QRectF;

namespace ks {

// The accent ring around a selected thumbnail or card, clear of its content.
void paintSelectionRing(QPainter& painter, const QRectF& content, double cornerRadius);

} // namespace ks
