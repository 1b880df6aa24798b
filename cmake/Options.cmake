# Compiler settings shared by every target of ours (not by third-party code).

if(TRELVAX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TRELVAX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(TRELVAX_FUZZ)
  # Coverage feedback for libFuzzer in everything of ours; only the fuzz targets link its
  # main (-fsanitize=fuzzer), so the library and programs still build as usual.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Windows programs and the DLL carry their runtime with them: only system DLLs are imported.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The release that reaches a shop carries no symbols.
  add_link_options($<$<CONFIG:Release>:-s>)
endif()

# Clang knows no execution character set but UTF-8: it compiles a Windows-1250 copy of each
# source that has texts beyond ASCII instead (the launcher makes it).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(CMAKE_CXX_COMPILER_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/clang-cp1250
    ${CMAKE_BINARY_DIR}/cp1250)
endif()

# trelvax_options(target): warnings as errors and the Windows-1250 execution character set,
# so that every text literal is the system's own bytes while the sources stay UTF-8.
function(trelvax_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP1250)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
endfunction()

# GCC 12 at -O3 inlines std::string's copy routines far enough to warn about overlaps and
# uninitialised bytes that cannot happen (-Wrestrict, -Wmaybe-uninitialized inside
# <bits/char_traits.h>), which -Werror turns into a failed build. The optimised build uses -O2,
# as the Windows build (RelWithDebInfo) does.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
  string(REPLACE "-O3" "-O2" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")
endif()
