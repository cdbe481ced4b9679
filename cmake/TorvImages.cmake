# torv_pack_image(<out-var> <png> [FRAMES <n> | FRAME_HEIGHT <h>])
#   Packs PNG artwork at build time with torv-pack: a "VXIF" picture, or with a frame option a
#   "VXVF" filmstrip (frames stacked vertically in the PNG, frame 0 on top). Sets <out-var> to
#   the packed file, <binary dir>/images/<png name>.vxif or .vxvf.
#
# torv_add_images(<target> <NAME> <png> [FRAMES <n> | FRAME_HEIGHT <h>] [<NAME> <png> ...])
#   Packs each image and embeds it into the target as a "DATA" resource of that name
#   (torv_add_resources): windres on Windows, compiled-in tables natively.
#
# torv-pack runs on the build machine. A native build builds it as one of its targets; a cross
# build builds tools/vximage once more as a project of its own with the build machine's
# compiler (in <build>/host-tools), before anything needs it.

function(torv_image_packer out_exe out_depends)
    if(NOT CMAKE_CROSSCOMPILING)
        set(${out_exe} $<TARGET_FILE:torv-pack> PARENT_SCOPE)
        set(${out_depends} torv-pack PARENT_SCOPE)
        return()
    endif()
    set(dir ${CMAKE_BINARY_DIR}/host-tools)
    if(NOT TARGET torv_host_tools)
        include(ExternalProject)
        # The build machine's own compilers, whatever the cross toolchain says; the toolchain
        # file keeps program lookups on the build machine.
        find_program(TORV_HOST_CC NAMES cc gcc clang REQUIRED)
        find_program(TORV_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
        ExternalProject_Add(torv_host_tools
            SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/vximage
            BINARY_DIR ${dir}
            CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
                       -DCMAKE_C_COMPILER=${TORV_HOST_CC}
                       -DCMAKE_CXX_COMPILER=${TORV_HOST_CXX}
            BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target torv-pack torv-dump
            INSTALL_COMMAND ""
            # Edits of the tools' sources rebuild them; an up-to-date build costs a moment.
            BUILD_ALWAYS ON
            BUILD_BYPRODUCTS ${dir}/torv-pack ${dir}/torv-dump
            USES_TERMINAL_BUILD OFF)
    endif()
    set(${out_exe} ${dir}/torv-pack PARENT_SCOPE)
    set(${out_depends} torv_host_tools ${dir}/torv-pack PARENT_SCOPE)
endfunction()

function(torv_pack_image out_var png)
    cmake_parse_arguments(P "" "FRAMES;FRAME_HEIGHT" "" ${ARGN})
    if(P_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "torv_pack_image(${png}): unexpected ${P_UNPARSED_ARGUMENTS}")
    endif()
    get_filename_component(png "${png}" ABSOLUTE)
    get_filename_component(stem "${png}" NAME_WE)
    set(options "")
    set(ext vxif)
    if(P_FRAMES)
        set(options --frames ${P_FRAMES})
        set(ext vxvf)
    elseif(P_FRAME_HEIGHT)
        set(options --frame-height ${P_FRAME_HEIGHT})
        set(ext vxvf)
    endif()
    set(out ${CMAKE_CURRENT_BINARY_DIR}/images/${stem}.${ext})
    torv_image_packer(packer depends)
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/images
        COMMAND ${packer} ${png} ${out} ${options}
        DEPENDS ${png} ${depends}
        COMMENT "Packing ${stem}.${ext}"
        VERBATIM)
    set(${out_var} ${out} PARENT_SCOPE)
endfunction()

function(torv_add_images target)
    set(args ${ARGN})
    set(resources "")
    list(LENGTH args n)
    set(i 0)
    while(i LESS n)
        math(EXPR j "${i} + 1")
        if(j GREATER_EQUAL n)
            message(FATAL_ERROR "torv_add_images(${target}): NAME without a file")
        endif()
        list(GET args ${i} name)
        list(GET args ${j} png)
        math(EXPR i "${i} + 2")
        set(frame_option "")
        if(i LESS n)
            list(GET args ${i} word)
            if(word STREQUAL "FRAMES" OR word STREQUAL "FRAME_HEIGHT")
                math(EXPR k "${i} + 1")
                list(GET args ${k} count)
                set(frame_option ${word} ${count})
                math(EXPR i "${i} + 2")
            endif()
        endif()
        torv_pack_image(packed ${png} ${frame_option})
        list(APPEND resources ${name} ${packed})
    endwhile()
    torv_add_resources(${target} ${resources})
endfunction()
