# System events that reach us through Qt: target ks_platform_qt_events.
