# The folders are layers, and the build keeps them apart: a library exports
# only its own folder. Its include root in the build tree holds one link,
# <root>/<folder> -> the source folder, so that "case/Status.h" is found by
# whoever links the case library and "toolkit/Widgets.h" by nobody else.
function(zk_export_folder target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
