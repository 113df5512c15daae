# The application shell, the view stack and the window scaffold (clock-shell). The
# program's main() lives with the editor; this library has none.
add_library(clock-shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/EditorMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewBasicElements.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewManager.cpp)
target_include_directories(clock-shell PUBLIC ${CMAKE_CURRENT_LIST_DIR})
watch_link(clock-shell PUBLIC clock-utils clock-ui-utils watch-appfw watch-eext watch-uxt
           watch-vconf watch-system-settings PkgConfig::EFL PkgConfig::GLIB)
watch_strict(clock-shell)
