# Keeps the driver's layering: reads every #include of driver/ and fails on
# one that points up or sideways, or that takes a Windows header into a
# portable file.
#
#   base                        timers, profile store, settings, notifier, text rules
#   serial panel actions settings each on base only
#   core                        on all of the above
#
# A layer's win/ folder (the Windows shell) may use its own layer and the
# layers below, their win/ folders and wincommon/; a portable file uses no
# win/ folder and no header ending in .h between angle brackets (windows.h
# and its kin; the standard library has no such names). Everyone may use
# identities/.
#
#   cmake -DDRIVER=<checkout>/driver -P CheckLayers.cmake
if(NOT DRIVER)
  message(FATAL_ERROR "DRIVER (the driver folder) not given")
endif()

set(rank_base 0)
set(rank_serial 1)
set(rank_panel 1)
set(rank_actions 1)
set(rank_settings 1)
set(rank_core 2)

# The layer of a path below driver/ (its first folder) and whether it lies in
# that layer's win/ folder.
function(place_of path layer_var shell_var)
  string(REPLACE "/" ";" parts "${path}")
  list(GET parts 0 layer)
  list(LENGTH parts depth)
  set(shell OFF)
  if(depth GREATER 2)
    list(GET parts 1 sub)
    if(sub STREQUAL "win")
      set(shell ON)
    endif()
  endif()
  set(${layer_var} "${layer}" PARENT_SCOPE)
  set(${shell_var} "${shell}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${DRIVER} ${DRIVER}/*.h ${DRIVER}/*.cpp)
set(faults)
foreach(src IN LISTS sources)
  place_of("${src}" layer shell)
  if(NOT DEFINED rank_${layer})
    list(APPEND faults "${src}: folder ${layer} is in no layer")
    continue()
  endif()

  file(STRINGS ${DRIVER}/${src} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      set(header "${CMAKE_MATCH_1}")
      if(NOT shell AND header MATCHES "\\.h$")
        list(APPEND faults "${src}: portable file includes <${header}>")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(target "${CMAKE_MATCH_1}")
    if(NOT target MATCHES "/")
      continue()  # beside the file itself
    endif()
    place_of("${target}" tlayer tshell)
    if(tlayer STREQUAL "identities")
      continue()
    endif()
    if(tlayer STREQUAL "wincommon")
      if(NOT shell)
        list(APPEND faults "${src}: portable file includes ${target}")
      endif()
      continue()
    endif()
    if(NOT DEFINED rank_${tlayer})
      list(APPEND faults "${src}: includes ${target} from outside the driver's layers")
      continue()
    endif()
    if(tshell AND NOT shell)
      list(APPEND faults "${src}: portable file includes ${target}")
    elseif(NOT tlayer STREQUAL layer AND NOT rank_${tlayer} LESS rank_${layer})
      list(APPEND faults "${src}: ${layer} includes ${target}, which is not below it")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the layering:\n  ${text}")
endif()
message(STATUS "${count} files of driver/ keep the layering")
