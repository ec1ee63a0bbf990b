#include "ui/fan_scene.h"

namespace ks {

namespace {

constexpr double kFanDamping = 0.82;
constexpr double kOutResponse = 0.55;
constexpr double kBackResponse = 0.45;
constexpr double kShrunkContent = 0.98;

} // namespace

FanScene::TileTarget FanScene::target(std::size_t index) const {
    if (m_fanned)
        return {fanCellCentre(m_grid, index), 0, 1, 1};
    return {m_source.centre(), gatheredRotation(index), gatheredScale(m_source.width, m_grid), 0};
}

void FanScene::layOut(std::size_t count, double width, double height, FanRect source) {
    m_width = width;
    m_height = height;
    m_source = source;
    m_grid = fitFanGrid(count, width, height, m_metrics);
    if (m_tiles.size() != count) {
        // A different pack: its tiles start where they are meant to be now.
        m_tiles.assign(count, {});
        for (std::size_t i = 0; i < count; ++i) {
            const TileTarget to = target(i);
            m_tiles[i] = {Tween(to.centre.x), Tween(to.centre.y), Tween(to.rotation),
                          Tween(to.scale), Tween(to.opacity)};
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const TileTarget to = target(i);
        TileTweens& t = m_tiles[i];
        t.x.retarget(to.centre.x);
        t.y.retarget(to.centre.y);
        t.rotation.retarget(to.rotation);
        t.scale.retarget(to.scale);
        t.opacity.retarget(to.opacity);
    }
}

void FanScene::setFanned(bool fanned, double now) {
    if (fanned == m_fanned)
        return;
    m_fanned = fanned;
    const FanPoint from = m_source.centre();
    for (std::size_t i = 0; i < m_tiles.size(); ++i) {
        const TileTarget to = target(i);
        const MotionCurve curve =
            fanned ? MotionCurve::spring(kOutResponse, kFanDamping,
                                         fanDelay(to.centre, from, m_width, m_height))
                   : MotionCurve::spring(kBackResponse, kFanDamping);
        TileTweens& t = m_tiles[i];
        t.x.animateTo(to.centre.x, curve, now);
        t.y.animateTo(to.centre.y, curve, now);
        t.rotation.animateTo(to.rotation, curve, now);
        t.scale.animateTo(to.scale, curve, now);
        t.opacity.animateTo(to.opacity, curve, now);
    }
    const double shown = fanned ? 1 : 0;
    m_background.animateTo(shown, MotionCurve::easeOut(0.32), now);
    m_backButton.animateTo(shown, MotionCurve::easeOut(0.25, fanned ? 0.12 : 0), now);
    m_header.animateTo(shown, MotionCurve::easeOut(0.25, fanned ? 0.1 : 0), now);
    m_ticks.animateTo(shown, MotionCurve::easeOut(0.2, fanned ? 0.25 : 0), now);
    m_contentScale.animateTo(fanned ? kShrunkContent : 1, MotionCurve::easeOut(0.35), now);
}

FanTilePose FanScene::tile(std::size_t index, double now) const {
    const TileTweens& t = m_tiles.at(index);
    return {{t.x.value(now), t.y.value(now)},
            t.rotation.value(now),
            t.scale.value(now),
            t.opacity.value(now)};
}

bool FanScene::animating(double now) const {
    for (const Tween* layer : {&m_background, &m_backButton, &m_header, &m_ticks, &m_contentScale})
        if (!layer->settled(now))
            return true;
    for (const TileTweens& t : m_tiles)
        // Every part of a tile moves on one curve.
        if (!t.x.settled(now))
            return true;
    return false;
}

} // namespace ks
