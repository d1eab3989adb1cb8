# Writes the help2man include for vorexctl: the hand-written sections (BASE) and a
# COMMANDS section with each command's usage, taken from "vorexctl --help" (the command
# list) and "vorexctl COMMAND --help", so that the man page follows the program.
#   cmake -DPROGRAM=.../vorexctl -DBASE=vorexctl.h2m -DOUT=... -P commands.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT help MATCHES "\ncommands:\n")
  message(FATAL_ERROR "${PROGRAM} --help lists no commands")
endif()
string(REGEX REPLACE ".*\ncommands:\n" "" list "${help}")
string(REGEX REPLACE "\n\n.*" "" list "${list}")
string(REPLACE "\n" ";" lines "${list}")

file(READ ${BASE} text)
string(APPEND text "\n[COMMANDS]\n")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^  ([a-z0-9-]+) +(.*)$")
    continue()
  endif()
  set(command ${CMAKE_MATCH_1})
  set(summary ${CMAKE_MATCH_2})
  execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE usage RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${command} --help failed")
  endif()
  # Literal text for troff: backslashes, and lines that would start a request.
  string(REPLACE "\\" "\\e" usage "${usage}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" usage "${usage}")
  string(STRIP "${usage}" usage)
  string(APPEND text ".SS ${command}\n${summary}\n.PP\n.nf\n${usage}\n.fi\n")
endforeach()
file(WRITE ${OUT} "${text}")
