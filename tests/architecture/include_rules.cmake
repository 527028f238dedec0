# Checks the layers' include rules (docs/ARCHITECTURE.md) on the tree under ROOT. Every quoted
# include of a layer's file is looked up where the build may find it: beside the file, as a
# public header (<layer folder>/include/...), as a private header named from src/ with its
# layer ("omf/internal/records.h", "media/codec_support/codec_stream.h"), or as a private
# header relative to a layer's folder ("video/picture_state.h"). The include must name one
# header: an "internal/..." include without its layer, or a name that headers of several
# layers answer to, is ambiguous; and a private header found relative to another layer's folder
# must be named from src/ with its layer instead. The layer holding the header must be one the
# rules allow. Run as: cmake -DROOT=<checkout> -P include_rules.cmake; a fault fails the run and
# is named with the file, the include and the rule it breaks.

cmake_policy(SET CMP0057 NEW) # if(... IN_LIST ...)

# Layer, folder under ROOT. A folder inside another layer's folder is a layer of its own: the
# media layer's codec-support headers, the one private interface the codecs may include.
set(layers
  container src/container
  omf src/omf
  media src/media
  codec_support src/media/codec_support
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
set(public_codec_support media omf container)
set(public_codecs media omf container)
set(public_plugin omf media codecs host_system host_script)
set(public_host_system host_script)
set(public_host_script "")
set(public_platform host_script)
set(public_qtserver host_script platform movie)
set(public_movie "")
set(public_omftool omf media codecs container host_system host_script)
# Whose private headers: the media layer builds on the toolkit's internals and owns the
# codec-support headers; the codecs include those and no other private header of another
# layer; the codec-support headers themselves include only public headers and each other.
set(private_media omf codec_support)
set(private_codecs codec_support)

if(NOT ROOT)
  message(FATAL_ERROR "include_rules.cmake needs -DROOT=<checkout>")
endif()
get_filename_component(ROOT "${ROOT}" REALPATH)

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

# The layer that holds `path` (the one whose folder holds it most closely; empty outside every
# layer), and the kind of header it is there: public (under the folder's include/) or private.
function(header_of path layerVar kindVar)
  set(best "")
  set(bestLength 0)
  foreach(name ${names})
    set(prefix "${folder_${name}}/")
    string(LENGTH "${prefix}" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL prefix AND length GREATER bestLength)
      set(best ${name})
      set(bestLength ${length})
    endif()
  endforeach()
  set(kind private)
  if(best)
    set(prefix "${folder_${best}}/include/")
    string(LENGTH "${prefix}" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL prefix)
      set(kind public)
    endif()
  endif()
  set(${layerVar} "${best}" PARENT_SCOPE)
  set(${kindVar} ${kind} PARENT_SCOPE)
endfunction()

set(faults 0)
foreach(layer ${names})
  if(NOT IS_DIRECTORY ${folder_${layer}})
    continue()
  endif()
  file(GLOB_RECURSE sources ${folder_${layer}}/*.h ${folder_${layer}}/*.cpp)
  foreach(source ${sources})
    header_of(${source} sourceLayer sourceKind)
    if(NOT sourceLayer STREQUAL layer)
      continue() # a file of a layer inside this layer's folder
    endif()
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    get_filename_component(here ${source} DIRECTORY)
    file(RELATIVE_PATH shown ${ROOT} ${source})
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" included "${line}")
      set(fault "")
      set(header "")
      if(included MATCHES "^internal/")
        # Several layers keep an internal/ folder: the include path would pick one.
        set(holders "")
        foreach(owner ${names})
          if(EXISTS ${folder_${owner}}/${included})
            list(APPEND holders ${owner})
          endif()
        endforeach()
        string(REPLACE ";" ", " holders "${holders}")
        set(fault "does not name its layer (held by: ${holders}); write \"<layer>/${included}\"")
      elseif(EXISTS ${here}/${included})
        # Beside the including file, found before any other.
        get_filename_component(header ${here}/${included} REALPATH)
      else()
        # Every header the name answers to: public ones, one named from src/ with its layer,
        # and private ones relative to a layer's folder (reached only through that folder).
        set(found "")
        foreach(owner ${names})
          if(EXISTS ${folder_${owner}}/include/${included})
            get_filename_component(path ${folder_${owner}}/include/${included} REALPATH)
            list(APPEND found ${path})
          endif()
        endforeach()
        if(EXISTS ${ROOT}/src/${included})
          get_filename_component(path ${ROOT}/src/${included} REALPATH)
          list(APPEND found ${path})
        endif()
        set(throughFolder "")
        foreach(owner ${names})
          if(owner STREQUAL omftool AND NOT layer STREQUAL omftool)
            continue() # its folder is on no other include path
          endif()
          if(EXISTS ${folder_${owner}}/${included})
            get_filename_component(path ${folder_${owner}}/${included} REALPATH)
            if(NOT path IN_LIST found)
              list(APPEND found ${path})
              if(NOT owner STREQUAL layer)
                set(throughFolder ${owner})
              endif()
            endif()
          endif()
        endforeach()
        list(REMOVE_DUPLICATES found)
        list(LENGTH found headers)
        if(headers GREATER 1)
          set(holders "")
          foreach(path ${found})
            header_of(${path} owner kind)
            list(APPEND holders "${owner} (${kind})")
          endforeach()
          string(REPLACE ";" ", " holders "${holders}")
          set(fault "is ambiguous: it names headers of ${holders}")
        elseif(headers EQUAL 1)
          list(GET found 0 header)
          if(throughFolder)
            header_of(${header} owner kind)
            file(RELATIVE_PATH qualified ${ROOT}/src ${header})
            set(fault "reaches ${owner} (${kind}) through the folder of ${throughFolder}: write \"${qualified}\"")
          endif()
        endif()
      endif()
      if(header AND NOT fault)
        header_of(${header} owner kind)
        if(NOT owner OR owner STREQUAL layer OR owner IN_LIST ${kind}_${layer})
          continue() # outside the layers, the layer's own, or allowed
        endif()
        set(fault "reaches ${owner} (${kind}), which ${layer} may not include")
      endif()
      if(NOT fault)
        continue() # a header from outside the project
      endif()
      message(NOTICE "${shown}: #include \"${included}\" ${fault}") # one line each
      math(EXPR faults "${faults} + 1")
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layers' rules")
endif()
message(STATUS "the includes of every layer keep the rules")
