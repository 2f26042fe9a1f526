# Run as a script on every build (cmake -P): writes the version unit with the commit the
# sources are at, and touches it only when that changes, so nothing is rebuilt for nothing.
# In: SOURCE_DIR, TEMPLATE, OUTPUT, CANTRA_VERSION; CANTRA_COMMIT when the builder names it.
if(NOT CANTRA_COMMIT)
  set(CANTRA_COMMIT unknown)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty --abbrev=12
                    WORKING_DIRECTORY ${SOURCE_DIR}
                    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND described)
      set(CANTRA_COMMIT ${described})
    endif()
  endif()
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
