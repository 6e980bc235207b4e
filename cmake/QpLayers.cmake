# qp_layer_includes(target folder...)
# Gives `target` a private include tree in the build folder that links to
# the named source folders only (repo-rooted, as the sources spell their
# includes: "engine/table/x.h"). An #include of any other folder fails to
# compile. Callers of the library still include from the source root.
function(qp_layer_includes target)
  set(tree ${CMAKE_BINARY_DIR}/layer-includes/${target})
  file(REMOVE_RECURSE ${tree})
  foreach(folder IN LISTS ARGN)
    get_filename_component(parent ${tree}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${tree}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${tree} INTERFACE ${CMAKE_SOURCE_DIR})
endfunction()

# qp_engine_layer(target subfolder SEES folder... DEPENDS library...)
# One engine layer: every .cpp in engine/<subfolder>, built against the
# folders it SEES, linked after the layers it DEPENDS on. The dependencies
# are link-only so that their include folders (the source root they offer
# callers) do not reach this layer's compile.
function(qp_engine_layer target subfolder)
  cmake_parse_arguments(QL "" "" "SEES;DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engine/${subfolder}/*.cpp)
  add_library(${target} STATIC ${sources})
  qp_layer_includes(${target} ${QL_SEES})
  foreach(dependency IN LISTS QL_DEPENDS)
    target_link_libraries(${target} PRIVATE $<LINK_ONLY:${dependency}>)
  endforeach()
endfunction()
