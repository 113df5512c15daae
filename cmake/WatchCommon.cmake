# Warnings are errors on our own code only; EFL and system headers come in as SYSTEM.
function(watch_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Every sub-directory of DIR that has a CMakeLists.txt, in name order. Lets each
# platform service, tool and test area own its build file.
function(watch_add_subdirectories dir)
    file(GLOB children RELATIVE ${dir} CONFIGURE_DEPENDS ${dir}/*/CMakeLists.txt)
    list(SORT children)
    foreach(child ${children})
        get_filename_component(sub ${child} DIRECTORY)
        add_subdirectory(${dir}/${sub})
    endforeach()
endfunction()

# target_link_libraries(TARGET SCOPE LIBS...) for our own libraries, each of which must be
# defined already: a missing one stops the configure with its name instead of leaving it out.
function(watch_link target scope)
    foreach(lib ${ARGN})
        if(NOT TARGET ${lib})
            message(FATAL_ERROR "${target} needs the library ${lib}, which is not defined "
                                "(is its folder missing or added later?)")
        endif()
    endforeach()
    target_link_libraries(${target} ${scope} ${ARGN})
endfunction()
