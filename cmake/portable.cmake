# qt_portable_folder(): the calling folder's sources are portable code, built natively under the
# sanitizers and the fuzzer as well as with mingw. Configuring fails, naming the file, when one of
# them includes a Windows header, our Win32 layer (win/) or the Windows GIF picture (gif/picture/).
function(qt_portable_folder)
  file(GLOB sources LIST_DIRECTORIES false RELATIVE ${PROJECT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.hpp)
  set(windows_header "[Ww]in[A-Za-z0-9_]*\\.h|[Oo]le[A-Za-z0-9_]*\\.h|objbase\\.h|commctrl\\.h|commdlg\\.h|shellapi\\.h|shlobj\\.h|mmsystem\\.h|tchar\\.h")
  foreach(source IN LISTS sources)
    file(STRINGS ${PROJECT_SOURCE_DIR}/${source} lines
         REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${windows_header}|win/|gif/picture/)")
    if(lines)
      list(GET lines 0 line)
      message(FATAL_ERROR "${source} is portable code but includes what needs Windows: ${line}")
    endif()
  endforeach()
  set_property(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
endfunction()
