# Windows programs: Unicode user interface, static C/C++ runtime so that the
# delivered programs need no extra DLLs beside them.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  add_compile_options(/utf-8)
else()
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Embeds a UTF-8 .rc (windres and rc.exe both read it as code page 65001).
function(orvanta_win_program target)
  if(MSVC)
    # The manifest comes from the .rc; the linker's own would clash with it
    # (CVT1100 duplicate resource) or, merged by mt.exe, replace it.
    target_link_options(${target} PRIVATE /SUBSYSTEM:WINDOWS /MANIFEST:NO)
  else()
    target_link_options(${target} PRIVATE -mwindows -municode)
  endif()
endfunction()
