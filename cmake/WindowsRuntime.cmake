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
  # Neither windres nor rc.exe reports the manifest a .rc embeds, so without
  # this a changed manifest never reaches an already built program.
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  foreach(src IN LISTS sources)
    if(src MATCHES "\\.rc$")
      get_filename_component(rc "${src}" ABSOLUTE BASE_DIR "${source_dir}")
      get_filename_component(rc_dir "${rc}" DIRECTORY)
      file(GLOB manifests "${rc_dir}/*.manifest")
      if(manifests)
        set_property(SOURCE "${src}" APPEND PROPERTY OBJECT_DEPENDS ${manifests})
      endif()
    endif()
  endforeach()
endfunction()
