#pragma once

#include <QImage>
#include <QWindow>

#include <memory>

class QBackingStore;

namespace ks {

// The native window of a cover: it draws one picture at full strength with, during a fade,
// a second one over it at some opacity. It draws only when told something changed or when
// the window system asks, and frees its window-sized buffer whenever it is hidden.
class QtCoverSurface final : public QWindow {
public:
    explicit QtCoverSurface(QScreen* screen);
    ~QtCoverSurface() override;

    // `base` at full strength, `top` over it at `topOpacity` (0 to 1); either may be null,
    // and where no picture covers the window it is black. Both should have the window's
    // device size, so that a frame is two plain blends.
    void setLayers(QImage base, QImage top, double topOpacity);
    void setTopOpacity(double opacity);
    // The top layer becomes the only one. Drawn again only when that changes what shows,
    // so the end of a fade costs no frame of its own.
    void settle();
    const QImage& base() const { return m_base; }
    const QImage& top() const { return m_top; }

    // What it shows now, both layers blended, at the window's device size.
    QImage composed() const;
    // The window's size in device pixels.
    QSize deviceSize() const;
    // How many frames it has drawn; tests and the benchmark check that it stays still at rest.
    int paintCount() const { return m_paints; }

protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintLayers(QPainter& painter) const;
    void render();

    std::unique_ptr<QBackingStore> m_store;
    QImage m_base;
    QImage m_top;
    double m_opacity = 0;
    int m_paints = 0;
};

} // namespace ks
