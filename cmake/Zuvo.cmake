# zuvo_library(NAME DIR LIBS...): a static library of every source file in DIR.
function(zuvo_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(cpps)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# zuvo_tool(NAME SOURCES... LIBS ...): a helper program installed beside the application.
function(zuvo_tool name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZUVO_LIBEXEC_DIR})
  install(TARGETS ${name} RUNTIME DESTINATION libexec/zuvo)
endfunction()

# zuvo_tests(LIBS ...): one GoogleTest program per *_test.cpp in this folder and its feature
# folders, named after this folder and the file: app_Viewer_test.
function(zuvo_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  get_filename_component(sub ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(src ${tests})
    get_filename_component(base ${src} NAME_WE)
    set(target ${sub}_${base})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE zuvo_testsupport ${ARG_LIBS})
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      # Discovery splits every list it is given, so each variable has a property of its own.
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                 ENVIRONMENT_MODIFICATION "ZUVO_BUILD_DIR=set:${CMAKE_BINARY_DIR}"
                 TIMEOUT 300)
  endforeach()
endfunction()
