#pragma once

#include "ui/settings_view_model.h"

#include <QAbstractButton>

namespace ks {

// A collection in the settings window's collections row: a capsule with its symbol, name
// and count, filled with the accent while it rotates (the favourites in their red).
class CollectionChip final : public QAbstractButton {
public:
    explicit CollectionChip(QWidget* parent = nullptr);

    void setState(const CollectionChipState& state);
    const CollectionChipState& state() const { return m_state; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name() const;

    CollectionChipState m_state;
};

} // namespace ks
