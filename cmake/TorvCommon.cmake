# Flags shared by every target of the project.

# Warnings on and clean; arithmetic evaluated exactly as written (no contraction into fused
# multiply-adds), so that the fixed-point and floating paths give the same bits on every target.
add_compile_options(-Wall -Wextra -ffp-contract=off)

if(WIN32)
    # Modules and programs carry their runtime with them: a host loads torv.dll without any
    # compiler runtime DLL next to it.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(TORV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from the sources Debian ships, built with the compiler of the target.
function(torv_use_googletest)
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # Third-party code: its own warnings are not ours to fix.
        target_compile_options(gtest PRIVATE -w)
        target_compile_options(gtest_main PRIVATE -w)
    endif()
endfunction()
