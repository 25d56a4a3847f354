# Regenerates the demo into OUT_DIR and compares every generated file byte for
# byte with the committed copy in COMMITTED_DIR.
foreach(var MAKE_DEMO OUT_DIR COMMITTED_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare_demo.cmake needs -D${var}=...")
  endif()
endforeach()

# Start empty so a file the generator no longer writes cannot pass as current.
file(REMOVE_RECURSE "${OUT_DIR}")
file(MAKE_DIRECTORY "${OUT_DIR}")
execute_process(COMMAND "${MAKE_DEMO}" "${OUT_DIR}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_demo failed (${rc})")
endif()

file(GLOB generated RELATIVE "${OUT_DIR}" "${OUT_DIR}/*")
list(SORT generated)
if(NOT generated)
  message(FATAL_ERROR "make_demo wrote no files into ${OUT_DIR}")
endif()
set(stale "")
foreach(name IN LISTS generated)
  if(NOT EXISTS "${COMMITTED_DIR}/${name}")
    list(APPEND stale "${name} (missing)")
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                    "${OUT_DIR}/${name}" "${COMMITTED_DIR}/${name}"
                  RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
  if(NOT differs EQUAL 0)
    list(APPEND stale "${name}")
  endif()
endforeach()
if(stale)
  list(JOIN stale ", " stale_text)
  message(FATAL_ERROR
    "examples/demo is not what make_demo generates; differs: ${stale_text}. "
    "Regenerate with: make_demo ${COMMITTED_DIR}")
endif()
message(STATUS "examples/demo matches make_demo output (${generated})")
