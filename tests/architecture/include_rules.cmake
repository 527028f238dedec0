# Checks the layers' include rules (docs/ARCHITECTURE.md) on the tree under ROOT: every quoted
# include that is not a file of the including layer is found in the layer that holds it, as a
# public header (<layer>/include/...) or a private one, and must be a dependency the rules
# allow. Run as: cmake -DROOT=<checkout> -P include_rules.cmake; a crossing fails the run and
# is named with the file, the include and the rule it breaks.

cmake_policy(SET CMP0057 NEW) # if(... IN_LIST ...)

# Layer, folder under ROOT.
set(layers
  container src/container
  omf src/omf
  media src/media
  codecs src/codecs
  plugin src/plugin
  host_system src/host/system
  host_script src/host/script
  platform src/platform
  qtserver src/qtserver
  movie src/movie
  omftool tools/omftool)

# Whose public headers each layer may include.
set(public_container "")
set(public_omf container)
set(public_media omf container)
set(public_codecs media omf container)
set(public_plugin omf media codecs host_system host_script)
set(public_host_system host_script)
set(public_host_script "")
set(public_platform host_script)
set(public_qtserver host_script platform movie)
set(public_movie "")
set(public_omftool omf media codecs container host_system host_script)
# Whose private headers: the codecs build on the media layer's and the toolkit's internals,
# the media layer on the toolkit's.
set(private_codecs media omf)
set(private_media omf)

if(NOT ROOT)
  message(FATAL_ERROR "include_rules.cmake needs -DROOT=<checkout>")
endif()

set(names "")
list(LENGTH layers count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET layers ${i} name)
  list(GET layers ${j} folder)
  set(folder_${name} ${ROOT}/${folder})
  list(APPEND names ${name})
endforeach()

set(crossings 0)
foreach(layer ${names})
  if(NOT IS_DIRECTORY ${folder_${layer}})
    continue()
  endif()
  file(GLOB_RECURSE sources ${folder_${layer}}/*.h ${folder_${layer}}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    get_filename_component(here ${source} DIRECTORY)
    file(RELATIVE_PATH shown ${ROOT} ${source})
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" included "${line}")
      if(EXISTS ${here}/${included})
        continue() # beside the including file
      endif()
      # The layers that hold the header, public or private; the including layer's own first.
      set(allowed FALSE)
      set(held "")
      foreach(owner ${layer} ${names})
        if(EXISTS ${folder_${owner}}/include/${included})
          set(kind public)
        elseif(EXISTS ${folder_${owner}}/${included} AND NOT owner STREQUAL omftool)
          set(kind private)
        else()
          continue()
        endif()
        list(APPEND held "${owner} (${kind})")
        if(owner STREQUAL layer OR owner IN_LIST ${kind}_${layer})
          set(allowed TRUE)
          break()
        endif()
      endforeach()
      if(allowed OR NOT held)
        continue() # allowed, or a header from outside the project
      endif()
      list(REMOVE_DUPLICATES held)
      string(REPLACE ";" ", " held "${held}")
      message(SEND_ERROR "${shown}: #include \"${included}\" reaches ${held}, which ${layer} may not include")
      math(EXPR crossings "${crossings} + 1")
    endforeach()
  endforeach()
endforeach()

if(crossings GREATER 0)
  message(FATAL_ERROR "${crossings} include(s) cross the layers' rules")
endif()
message(STATUS "the includes of every layer keep the rules")
