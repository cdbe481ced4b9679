# torv_add_resources(<target> <NAME> <file> [<NAME> <file> ...])
#
# Puts named "DATA" resources into a program or module. On Windows they are compiled with
# windres into the module's resource section; natively they are compiled in as byte arrays and
# registered at start-up, so that VX_resource finds the same bytes on every target.
enable_language(RC OPTIONAL)

function(torv_add_resources target)
    set(args ${ARGN})
    list(LENGTH args n)
    math(EXPR odd "${n} % 2")
    if(n EQUAL 0 OR odd)
        message(FATAL_ERROR "torv_add_resources: expected NAME file pairs")
    endif()
    set(names "")
    set(files "")
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET args ${i} name)
        list(GET args ${j} file)
        get_filename_component(file "${file}" ABSOLUTE)
        list(APPEND names ${name})
        list(APPEND files ${file})
    endforeach()

    set(outdir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
    if(WIN32)
        set(rc ${outdir}/resources.rc)
        set(text "")
        foreach(name file IN ZIP_LISTS names files)
            # In lower case, so that names the resource compiler knows as upper-case words
            # (ALT) stay names; it stores every name in upper case.
            string(TOLOWER "${name}" rc_name)
            string(APPEND text "${rc_name} DATA \"${file}\"\n")
        endforeach()
        file(MAKE_DIRECTORY ${outdir})
        file(GENERATE OUTPUT ${rc} CONTENT "${text}")
        target_sources(${target} PRIVATE ${rc})
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${files}")
        # Files made at build time (packed images) are made for this target too.
        target_sources(${target} PRIVATE ${files})
        set_source_files_properties(${files} PROPERTIES HEADER_FILE_ONLY ON)
    else()
        set(cpp ${outdir}/resources.cpp)
        add_custom_command(
            OUTPUT ${cpp}
            COMMAND ${CMAKE_COMMAND} -DOUT=${cpp} "-DNAMES=${names}" "-DFILES=${files}"
                    -P ${CMAKE_SOURCE_DIR}/cmake/TorvEmbed.cmake
            DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/TorvEmbed.cmake
            COMMENT "Embedding resources of ${target}"
            VERBATIM)
        target_sources(${target} PRIVATE ${cpp})
    endif()
endfunction()
