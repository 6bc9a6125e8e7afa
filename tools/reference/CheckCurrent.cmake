# Writes the reference into OUT and compares it with the checked-in files under SOURCE.
execute_process(COMMAND ${TOOL} ${OUT}/reference.md ${OUT}/index.d.ts ${OUT}/vocabulary.json ${OUT}/vellumax.stub.php
                RESULT_VARIABLE vx_result)
if(NOT vx_result EQUAL 0)
  message(FATAL_ERROR "the reference tool failed")
endif()
foreach(pair "reference.md;docs/reference.md" "index.d.ts;hosts/node/index.d.ts"
             "vocabulary.json;hosts/node/vocabulary.json" "vellumax.stub.php;hosts/php/vellumax.stub.php")
  list(GET pair 0 written)
  list(GET pair 1 checked_in)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${written} ${SOURCE}/${checked_in}
                  RESULT_VARIABLE vx_differs)
  if(NOT vx_differs EQUAL 0)
    message(FATAL_ERROR "${checked_in} is not what the tables give now; regenerate it with: "
                        "cmake --build build --target reference")
  endif()
endforeach()
