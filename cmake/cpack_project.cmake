# Read by cpack before it builds the package. Every file in the package is dated
# SOURCE_DATE_EPOCH; when that is not set, the time of the last commit, or outside a git
# checkout the date of CHANGELOG's newest entry, so that two builds of one version agree.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  get_filename_component(source ${CPACK_VEMORA_SOURCE_DIR} REALPATH)
  execute_process(COMMAND git -C ${source} rev-parse --show-toplevel
    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  set(epoch "")
  # Only the checkout of this tree, not one that happens to hold it.
  if(top AND top STREQUAL source)
    execute_process(COMMAND git -C ${source} log -1 --format=%ct
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    file(STRINGS ${source}/CHANGELOG trailer REGEX "^ -- " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
    execute_process(COMMAND date -u -d "${date}" +%s OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
message(STATUS "Package files dated SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH}")
