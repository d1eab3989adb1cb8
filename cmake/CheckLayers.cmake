# The layers of the tree: which top folders a folder's sources may include from. An
# include runs downwards only: shell -> workbench -> ui -> cards, reader, update,
# production -> engine, and cli -> cards, reader, update, production -> engine. tests/,
# fuzz/ and bench/ may include anything.
#
# Run as a script (cmake -DROOT=<tree> -P CheckLayers.cmake) or included from the top
# CMakeLists.txt (vorex_check_layers(<tree>)); either way an upward include fails with the
# file, the line and the rule it breaks.
cmake_policy(VERSION 3.25)
set(VOREX_LAYER_engine engine resources)
set(VOREX_LAYER_resources resources)
set(VOREX_LAYER_sim sim engine)
set(VOREX_LAYER_reader reader engine)
set(VOREX_LAYER_cards cards engine)
set(VOREX_LAYER_update update reader engine)
set(VOREX_LAYER_production production cards reader engine)
set(VOREX_LAYER_cli cli cards reader update production engine)
set(VOREX_LAYER_ui ui cards reader update production engine resources)
set(VOREX_LAYER_workbench workbench ui cards reader update production engine resources)
set(VOREX_LAYER_shell shell workbench ui cards reader update production sim engine resources)
# Folders that hold no layered C or C++ sources, or may include from everywhere.
set(VOREX_LAYER_FREE tests fuzz bench scripts python packaging docs cmake examples)

function(vorex_check_layers root)
  file(GLOB tops RELATIVE ${root} ${root}/*)
  set(sources "")
  set(errors "")
  foreach(top IN LISTS tops)
    if(NOT IS_DIRECTORY ${root}/${top} OR top MATCHES "^(build|\\.)" OR top IN_LIST VOREX_LAYER_FREE)
      continue()
    endif()
    file(GLOB_RECURSE found RELATIVE ${root} ${root}/${top}/*.c ${root}/${top}/*.cpp ${root}/${top}/*.h)
    if(found AND NOT DEFINED VOREX_LAYER_${top})
      string(APPEND errors "  ${top}/: a folder of sources with no place in the layer table\n")
    endif()
    list(APPEND sources ${found})
  endforeach()
  foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" top "${source}")
    if(NOT DEFINED VOREX_LAYER_${top})
      continue()
    endif()
    file(STRINGS ${root}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "\"([^\"]+)\"" quoted "${line}")
      set(path "${CMAKE_MATCH_1}")
      if(NOT path MATCHES "/")
        continue() # generated files (moc, embedded tables) next to the object
      endif()
      string(REGEX MATCH "^[^/]+" target "${path}")
      if(NOT target IN_LIST VOREX_LAYER_${top})
        string(APPEND errors "  ${source}: includes \"${path}\", but ${top}/ may include only from: ${VOREX_LAYER_${top}}\n")
      endif()
    endforeach()
  endforeach()
  if(errors)
    message(FATAL_ERROR "Includes that run against the layers (cmake/CheckLayers.cmake):\n${errors}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED ROOT)
  vorex_check_layers(${ROOT})
endif()
