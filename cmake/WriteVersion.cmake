# Writes the version header: the project's version and the source revision the build is made
# from (the commit, "-dirty" with changes not committed; "unknown" outside a git checkout).
# Run at every build; the file is rewritten only when it changes, so nothing rebuilds for
# nothing.  Inputs: SOURCE_DIR, OUTPUT, VERSION (x.y.z).
set(revision "unknown")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --short=10 HEAD
    OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND head)
    set(revision "${head}")
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(changes)
      set(revision "${revision}-dirty")
    endif()
  endif()
endif()
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
set(text "// Written by the build (cmake/WriteVersion.cmake); do not edit.
#pragma once
#define TRELVAX_VERSION \"${VERSION}\"
#define TRELVAX_VERSION_MAJOR ${major}
#define TRELVAX_VERSION_MINOR ${minor}
#define TRELVAX_VERSION_PATCH ${patch}
#define TRELVAX_REVISION \"${revision}\"
")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
