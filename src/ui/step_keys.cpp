#include "ui/step_keys.h"

#include <QKeyEvent>

#include <algorithm>

namespace ks {

std::optional<int> steppedIndexForKey(const QKeyEvent& event, int current, int count) {
    if (count <= 0)
        return std::nullopt;
    int index = current;
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        --index;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        ++index;
        break;
    case Qt::Key_Home:
        index = 0;
        break;
    case Qt::Key_End:
        index = count - 1;
        break;
    default:
        return std::nullopt;
    }
    return std::clamp(index, 0, count - 1);
}

} // namespace ks
