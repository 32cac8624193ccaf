# qm_add_layer(<target> <folder> SOURCES <files...> [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# A static library for one layer of the tree. Its headers are reachable only as "<folder>/..."
# through an include root that holds just this folder, so a layer sees the headers of the layers
# it links and no others: an include that runs upward fails to compile.
function(qm_add_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "SOURCES;PUBLIC;PRIVATE")
  add_library(${target} STATIC ${ARG_SOURCES})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE} qm_warnings)
endfunction()
