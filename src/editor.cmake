# The colour style editor: its screen, controller and data (clock-editor), and the
# editor program of the package.
add_library(clock-editor STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/EditorView.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/EditorAccessibility.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/EditorViewController.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/EditorViewData.cpp)
target_include_directories(clock-editor PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
watch_link(clock-editor PUBLIC clock-shell clock-ui-utils clock-utils watch-appfw
           watch-vconf watch-preference watch-eext dalvexa-palette PkgConfig::EFL)
watch_strict(clock-editor)

add_executable(clock-dalvexa-editor ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(clock-dalvexa-editor PRIVATE clock-editor)
watch_strict(clock-dalvexa-editor)
watch_package_program(clock-dalvexa-editor)
