#pragma once

#include "library/image_source.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>

namespace ks {

// A thumbnail filling its frame, cropped to a rounded rectangle, over a near-white fill
// until (or unless) its picture arrives from the thumbnail cache. Asks once, when first
// shown; an answer that comes after the view is gone is dropped.
class ThumbImage final : public QWidget {
public:
    static constexpr int kMaxPixel = 320;

    ThumbImage(double cornerRadius, QWidget* parent = nullptr);
    ~ThumbImage() override;

    void setSource(std::optional<ImageSource> source);
    // Asks again when the picture never came (its pack may have been downloaded since).
    void reloadIfMissing();
    bool hasImage() const { return !m_image.isNull(); }
    void setOpacity(double opacity);
    double opacity() const { return m_opacity; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void load();

    double m_cornerRadius;
    double m_opacity = 1;
    std::optional<ImageSource> m_source;
    QImage m_image;
    bool m_asked = false;
    // The cache answered with no picture (not merely: has not answered yet).
    bool m_nothingCame = false;
    // Held weakly by the cache's completion.
    std::shared_ptr<ThumbImage*> m_self = std::make_shared<ThumbImage*>(this);
};

} // namespace ks
