# Resources built from their sources with Debian's tools: SVG to PNG (rsvg-convert) and
# edje sources to .edj (edje_cc).
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(EDJE_CC edje_cc REQUIRED)

# watch_svg_to_png(OUT_VAR OUTPUT_DIR svg...): each svg becomes OUTPUT_DIR/<name>.png at
# its own size; OUT_VAR receives the list of PNGs.
function(watch_svg_to_png out_var out_dir)
    set(pngs)
    foreach(svg ${ARGN})
        get_filename_component(name ${svg} NAME_WE)
        set(png ${out_dir}/${name}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
            COMMAND ${RSVG_CONVERT} -f png -o ${png} ${svg}
            DEPENDS ${svg} VERBATIM)
        list(APPEND pngs ${png})
    endforeach()
    set(${out_var} ${pngs} PARENT_SCOPE)
endfunction()

# watch_edje(TARGET EDC OUTPUT edj [IMAGE_DIR dir] [DEPENDS files...]): compiles EDC into
# OUTPUT with edje_cc, built by the custom target TARGET.
function(watch_edje target edc)
    cmake_parse_arguments(ARG "" "OUTPUT;IMAGE_DIR" "DEPENDS" ${ARGN})
    set(image_args)
    if(ARG_IMAGE_DIR)
        set(image_args -id ${ARG_IMAGE_DIR})
    endif()
    get_filename_component(edc_dir ${edc} DIRECTORY)
    get_filename_component(out_dir ${ARG_OUTPUT} DIRECTORY)
    add_custom_command(OUTPUT ${ARG_OUTPUT}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
        COMMAND ${EDJE_CC} -nothreads -no-save ${image_args} -id ${edc_dir} -fd ${edc_dir} ${edc} ${ARG_OUTPUT}
        DEPENDS ${edc} ${ARG_DEPENDS}
        WORKING_DIRECTORY ${edc_dir} VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
