# Every effect at clock readings spread over the whole 32-bit range, drawn by
# this build's render-effect (through the emulator) and by the build
# machine's: the frames must be the same bits. Run with
#   -DHOST=<native render-effect> -DCROSS=<this build's> -DEMULATOR=<a|separated|command>
#   -DTARGETS=<a|separated list of QUARVEN2_SIMD values, "best" for none> -DSCRATCH=<folder>
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" targets "${TARGETS}")
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})

set(times 0 1 19 999 4095 9999 10000 25001 65535 99999 123457 1234567 9876543 16777217
          305419896 2147483647 2147483648 3000000001 4294967295)
set(different "")
set(frames 0)
foreach(effect RANGE 0 4)
  foreach(ms IN LISTS times)
    set(expected ${SCRATCH}/host-${effect}-${ms}.bgra)
    execute_process(COMMAND ${HOST} ${effect} ${ms} ${expected} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "the native render-effect failed on effect ${effect} at ${ms} ms: ${rc}")
    endif()
    foreach(target IN LISTS targets)
      set(drawn ${SCRATCH}/cross-${target}-${effect}-${ms}.bgra)
      if(target STREQUAL "best")
        set(environment "")
      else()
        set(environment QUARVEN2_SIMD=${target})
      endif()
      execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${emulator} ${CROSS} ${effect} ${ms} ${drawn}
                      RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "render-effect (${target}) failed on effect ${effect} at ${ms} ms: ${rc}")
      endif()
      execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${expected} ${drawn} RESULT_VARIABLE same)
      math(EXPR frames "${frames} + 1")
      if(NOT same EQUAL 0)
        list(APPEND different "effect ${effect} at ${ms} ms (${target})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(different)
  list(JOIN different "\n  " listed)
  message(FATAL_ERROR "frames that differ from the native build's:\n  ${listed}")
endif()
message(STATUS "${frames} frames the same as the native build's")
