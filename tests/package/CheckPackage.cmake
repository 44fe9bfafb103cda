# Makes the zip of a tree with CPack, unpacks it and compares its files with
# the delivered folder, exactly: nothing missing, nothing from the stand-ins
# or tests.
#   cmake -DCPACK=<cpack> -DCONFIG=<configuration> -DTREE=<build tree> -DWORK=<scratch folder> -P CheckPackage.cmake
set(delivered Data/QV-LK2048.def Orvanta.dat Orvanta.exe Orvanta.wav OrvantaLink.exe OrvantaUninst.exe)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked)
execute_process(COMMAND ${CPACK} -G ZIP -C ${CONFIG} --config ${TREE}/CPackConfig.cmake -B ${WORK}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB zips ${WORK}/*.zip)
list(LENGTH zips count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one zip in ${WORK}, found: ${zips}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zips} WORKING_DIRECTORY ${WORK}/unpacked RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${zips}")
endif()

string(REGEX REPLACE "\\.zip$" "" top "${zips}")
get_filename_component(top ${top} NAME)
file(GLOB_RECURSE found RELATIVE ${WORK}/unpacked/${top} ${WORK}/unpacked/*)
list(SORT found)
if(NOT found STREQUAL delivered)
  message(FATAL_ERROR "the zip holds\n  ${found}\nexpected, under ${top}/\n  ${delivered}")
endif()
foreach(f IN LISTS delivered)
  file(SIZE ${WORK}/unpacked/${top}/${f} size)
  if(size EQUAL 0)
    message(FATAL_ERROR "${f} is empty")
  endif()
endforeach()
message(STATUS "${top}.zip holds the delivered folder")
