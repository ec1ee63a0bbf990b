#pragma once

#include "platform/cover_window.h"

#include <QImage>

#include <memory>

class QScreen;
class QVariantAnimation;
class QWindow;

namespace ks {

class QtCoverSurface;

// A cover on Qt: a frameless native window that sits with the desktop, takes neither input
// nor focus, and cross-fades between pictures with an ease-in-out curve. It draws only
// while a fade runs (and when the window system asks); at rest it costs no CPU, and a
// hidden cover holds only its last picture.
class QtCoverWindow final : public CoverWindow {
public:
    // Over `screen` (null: the primary screen) at `frame`, hidden.
    QtCoverWindow(QScreen* screen, const ScreenFrame& frame);
    ~QtCoverWindow() override;
    QtCoverWindow(const QtCoverWindow&) = delete;
    QtCoverWindow& operator=(const QtCoverWindow&) = delete;

    bool isVisible() const override;
    bool hasPicture() const override;
    double backingScale() const override;
    // A picture without pixels is ignored. A hidden cover takes the picture at once, since
    // nobody would see the fade. A picture that comes during a fade fades in over what is
    // shown at that moment, the blend of the two, so nothing jumps.
    void show(const Image& image, double fadeSeconds) override;
    void raise(const ScreenFrame& frame) override;
    void lower() override;

    // For tests and the benchmark: the native window, what it shows now at device size, the
    // running fade (null at rest) and how many frames were drawn.
    QWindow& window() const;
    QImage shownPicture() const;
    QVariantAnimation* fade() const { return m_fade.get(); }
    int paintCount() const;

private:
    void endFade();
    void refit();

    std::unique_ptr<QtCoverSurface> m_surface;
    std::unique_ptr<QVariantAnimation> m_fade;
    // The last picture as given: a view of its pixels, no copy, kept to fit it again when
    // the cover changes size. Once a fade ends it is what the cover shows.
    QImage m_source;
};

} // namespace ks
