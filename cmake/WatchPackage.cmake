# The package is staged under build/package/<package id>/ exactly as it is laid out in a
# device root; `watchctl install` copies the stage into a device root.
set(WATCH_PACKAGE_ID "com.korvane.clock-dalvexa")
set(WATCH_PACKAGE_STAGE "${CMAKE_BINARY_DIR}/package/${WATCH_PACKAGE_ID}")
set(WATCH_STAGE_BIN "${WATCH_PACKAGE_STAGE}/bin")
set(WATCH_STAGE_RES "${WATCH_PACKAGE_STAGE}/res")
set(WATCH_STAGE_SHARED_RES "${WATCH_PACKAGE_STAGE}/shared/res")

# Everything the stage needs; `package` is built by default.
add_custom_target(package ALL)

# A program of the package: built into the stage's bin/ as well as build/bin/.
function(watch_package_program target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${WATCH_STAGE_BIN}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${WATCH_STAGE_BIN}/
        VERBATIM)
    add_dependencies(package ${target})
endfunction()

# A plain file copied into the stage at DEST (a path relative to the stage root).
function(watch_package_file src dest)
    set(out ${WATCH_PACKAGE_STAGE}/${dest})
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${src} ${out}
        DEPENDS ${src} VERBATIM)
    string(MAKE_C_IDENTIFIER "stage_${dest}" tgt)
    add_custom_target(${tgt} DEPENDS ${out})
    add_dependencies(package ${tgt})
endfunction()
