#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;

namespace ks {

// The heading above a box: a title with an optional detail and a trailing control on one
// line, an optional one-line subtitle below.
class SectionHeader : public QWidget {
public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);

    // Empty hides it.
    void setDetail(const QString& detail);
    void setSubtitle(const QString& subtitle);
    // Replaces (and deletes) the previous trailing widget; null removes it.
    void setTrailing(QWidget* trailing);
    QString detail() const;
    QString subtitle() const;

private:
    QLabel* m_title;
    QLabel* m_detail;
    QLabel* m_subtitle;
    QHBoxLayout* m_firstLine;
    QPointer<QWidget> m_trailing; // null once its owner deletes it
};

} // namespace ks
