#pragma once

namespace ks {

// How an animated value travels from where it was to where it goes: an ease-out of a fixed
// length, or a damped spring that may overshoot a little and then settles. Times in seconds.
struct MotionCurve {
    enum class Kind { easeOut, spring };

    Kind kind = Kind::easeOut;
    // Ease-out: its length. Spring: its response, the period it would swing with no damping.
    double duration = 0.25;
    // Spring only: the fraction of critical damping (1 never overshoots).
    double damping = 1;
    double delay = 0;

    static MotionCurve easeOut(double duration, double delay = 0);
    static MotionCurve spring(double response, double damping, double delay = 0);

    // The fraction of the way covered `elapsed` seconds after the motion began (its delay
    // included): 0 before, exactly 1 from `settleTime()` on.
    double progress(double elapsed) const;
    // When the motion is over, counted from its beginning: a spring is taken to rest once it
    // stays within a thousandth of its end.
    double settleTime() const;
};

} // namespace ks
