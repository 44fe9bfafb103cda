# GoogleTest is built from source in each tree (Debian's googletest package puts
# it in /usr/src/googletest), so the native and the MinGW tree use the same one.
set(ORVANTA_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
if(EXISTS "${ORVANTA_GTEST_SOURCE}/CMakeLists.txt")
  add_subdirectory(${ORVANTA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
