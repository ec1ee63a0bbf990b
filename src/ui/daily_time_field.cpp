#include "ui/daily_time_field.h"

#include "engine/daily_time.h"
#include "settings/settings_store.h"
#include "ui/daily_time_text.h"
#include "ui/ds_font.h"
#include "ui/palette.h"

#include <QBoxLayout>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace ks {

namespace {

QToolButton* arrowButton(Qt::ArrowType arrow, const char* name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    return button;
}

} // namespace

DailyTimeField::DailyTimeField(SettingsStore& store, QWidget* parent)
    : QWidget(parent), m_store(store), m_edit(new QLineEdit(this)),
      m_up(arrowButton(Qt::UpArrow, "dailyTimeUp", this)),
      m_down(arrowButton(Qt::DownArrow, "dailyTimeDown", this)) {
    m_edit->setObjectName(QStringLiteral("dailyTimeText"));
    m_edit->setFont(dsFont(11));
    m_edit->setFixedWidth(58);
    m_edit->setFrame(true);
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->installEventFilter(this);

    auto* stepper = new QVBoxLayout;
    stepper->setContentsMargins(0, 0, 0, 0);
    stepper->setSpacing(0);
    stepper->addWidget(m_up);
    stepper->addWidget(m_down);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(m_edit);
    row->addLayout(stepper);

    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& text) { edited(text); });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] { showStoredTime(); });
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
    m_observation = store.observe([this] {
        if (!m_storing && !m_edit->hasFocus())
            showStoredTime();
    });
    showStoredTime();
}

void DailyTimeField::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    followAppearance();
    showStoredTime();
}

void DailyTimeField::paintEvent(QPaintEvent*) {
    // A change of the window's appearance repaints the field first; the line edit and the
    // arrows draw with the style's palette, so they get the appearance's colours here.
    followAppearance();
}

void DailyTimeField::followAppearance() {
    const QColor base = Panel::box().resolve(this);
    const QColor ink = Palette::ink().resolve(this);
    if (m_edit->palette().color(QPalette::Base) != base ||
        m_edit->palette().color(QPalette::Text) != ink) {
        QPalette palette = m_edit->palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, ink);
        m_edit->setPalette(palette);
    }
    const QColor arrow = Panel::secondary().resolve(this);
    for (QToolButton* button : {m_up, m_down})
        if (button->palette().color(QPalette::ButtonText) != arrow) {
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, arrow);
            palette.setColor(QPalette::WindowText, arrow);
            button->setPalette(palette);
        }
}

bool DailyTimeField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::FocusOut)
        showStoredTime();
    return QWidget::eventFilter(watched, event);
}

void DailyTimeField::showStoredTime() {
    const QString text = QString::fromStdString(dailyTimeText(m_store.dailyChangeMinutes()));
    if (m_edit->text() != text)
        m_edit->setText(text);
    m_lastCount = static_cast<std::size_t>(text.size());
}

void DailyTimeField::edited(const QString& text) {
    const std::string typed = text.toStdString();
    const std::string normalized = normalizedDailyTimeText(typed, m_lastCount);
    if (normalized != typed) {
        const int cursor = m_edit->cursorPosition();
        m_edit->setText(QString::fromStdString(normalized));
        // Where the edit left it, unless the text got shorter than that (or a colon moved it).
        m_edit->setCursorPosition(cursor >= text.size() ? int(normalized.size())
                                                        : std::min(cursor, int(normalized.size())));
    }
    m_lastCount = normalized.size();
    if (const std::optional<int> minutes = parseDailyTime(normalized)) {
        m_storing = true;
        m_store.setDailyChangeMinutes(*minutes);
        m_storing = false;
    }
}

void DailyTimeField::step(int halfHours) {
    m_store.setDailyChangeMinutes(steppedDailyMinutes(m_store.dailyChangeMinutes(), halfHours));
    m_edit->clearFocus();
    showStoredTime();
}

} // namespace ks
