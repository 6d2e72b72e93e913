# Run at each build (cmake -P): writes OUTPUT from TEMPLATE with VERSION and the commit of
# SOURCE_DIR. configure_file leaves an unchanged file alone, so nothing relinks until the
# commit changes.
execute_process(COMMAND git describe --always --dirty --abbrev=12 --exclude=*
                WORKING_DIRECTORY "${SOURCE_DIR}"
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
  set(commit "")
endif()
set(QUORVET_VERSION "${VERSION}")
set(QUORVET_COMMIT "${commit}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
