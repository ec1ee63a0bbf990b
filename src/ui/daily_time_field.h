#pragma once

#include "base/notification_center.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace ks {

class SettingsStore;

// The time of the daily change: a field for "HH:MM" with a stepper of half hours beside it.
// A typed text that reads as a time is stored at once; leaving the field shows the stored
// time again.
class DailyTimeField : public QWidget {
public:
    explicit DailyTimeField(SettingsStore& store, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showStoredTime();
    void followAppearance();
    void edited(const QString& text);
    void step(int halfHours);

    SettingsStore& m_store;
    QLineEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    std::size_t m_lastCount = 0;
    // Set while the field stores what was typed, so the store's echo does not rewrite it.
    bool m_storing = false;
    NotificationCenter::Observation m_observation;
};

} // namespace ks
