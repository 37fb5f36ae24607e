# The compatibility scripts, built into the one script the shell injects into the service's
# pages: prelude.js, then each script scripts.list names, in order, all inside one function,
# so that what the prelude defines is theirs to share and no page can reach it.
#
# Included, it gives compat_scripts(); run as
#   cmake -DCOMPAT_DIR=<this folder> -DOUTPUT=<file> -P compat.cmake
# it writes that script to OUTPUT.

# The paths of the scripts dir/scripts.list names, in order: each line not blank and not
# starting with # is a file of dir.
function(compat_scripts out dir)
  file(STRINGS ${dir}/scripts.list lines)
  set(paths)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line AND NOT line MATCHES "^#")
      if(NOT EXISTS ${dir}/${line})
        message(FATAL_ERROR "scripts.list names ${line}, which ${dir} does not hold")
      endif()
      list(APPEND paths ${dir}/${line})
    endif()
  endforeach()
  set(${out} ${paths} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  compat_scripts(scripts ${COMPAT_DIR})
  set(text "// Made by the build from browser/compat: prelude.js, then the scripts of scripts.list.\n")
  string(APPEND text "(function () {\n\"use strict\";\n")
  foreach(path ${COMPAT_DIR}/prelude.js ${scripts})
    file(READ ${path} body)
    get_filename_component(name ${path} NAME)
    string(APPEND text "\n// --- ${name}\n${body}")
  endforeach()
  string(APPEND text "})();\n")
  file(WRITE ${OUTPUT} "${text}")
endif()
