# Which of a folder's sources belong to the platform being built.
# Windows code lives in files named name_win32.cpp or win32_name.cpp, POSIX code in
# name_posix.cpp: each is left out on the other platform, and on Windows a name_win32.cpp
# takes the place of name.cpp. On Windows the
# sources listed in UPDATE_WINDOWS_UNPORTED (paths from the project folder) are left out too.
function(update_platform_sources var)
  set(kept)
  foreach(src IN LISTS ${var})
    get_filename_component(name ${src} NAME_WE)
    get_filename_component(dir ${src} DIRECTORY)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${src})
    if(WIN32)
      if(EXISTS ${dir}/${name}_win32.cpp OR name MATCHES "_posix$" OR rel IN_LIST UPDATE_WINDOWS_UNPORTED)
        continue()
      endif()
    elseif(name MATCHES "(_win32$|^win32_)")
      continue()
    endif()
    list(APPEND kept ${src})
  endforeach()
  set(${var} ${kept} PARENT_SCOPE)
endfunction()
