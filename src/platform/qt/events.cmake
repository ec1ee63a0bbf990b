# System events that reach us through Qt: target ks_platform_qt_events.
# logind's sleep signal (system bus), the desktop portal's look (session bus), the screen list.
add_library(ks_platform_qt_events STATIC
    logind_wake_source.cpp
    portal_appearance.cpp
    qt_screen_source.cpp
)
# The D-Bus signal receivers are slots.
set_target_properties(ks_platform_qt_events PROPERTIES AUTOMOC ON)
target_include_directories(ks_platform_qt_events PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(ks_platform_qt_events PUBLIC ks_platform_api ks_base Qt6::Core Qt6::DBus
    Qt6::Gui)
