# Shared build rules. Each source folder is one static library named mb_<folder>:
# its portable *.cpp files plus the ones in its win32/ or posix/ subfolder,
# picked by the target. New files are found without editing any CMakeLists.

set(MB_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)

if(MB_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(MB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  # One exe with no runtime DLLs beside it: a bare Windows has none of mingw's.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

function(mb_module name)
  file(GLOB _sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/${name}/*.cpp
       ${PROJECT_SOURCE_DIR}/${name}/${MB_OS}/*.cpp)
  if(NOT _sources)
    add_library(mb_${name} INTERFACE)
    target_include_directories(mb_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    foreach(dep ${ARGN})
      target_link_libraries(mb_${name} INTERFACE mb_${dep})
    endforeach()
    return()
  endif()
  add_library(mb_${name} STATIC ${_sources})
  target_include_directories(mb_${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_compile_options(mb_${name} PRIVATE ${MB_WARNINGS})
  foreach(dep ${ARGN})
    target_link_libraries(mb_${name} PUBLIC mb_${dep})
  endforeach()
  if(NOT WIN32)
    find_package(Threads REQUIRED)
    target_link_libraries(mb_${name} PUBLIC Threads::Threads)
  endif()
  if(EXISTS ${PROJECT_SOURCE_DIR}/${name}/module.cmake)
    include(${PROJECT_SOURCE_DIR}/${name}/module.cmake)
  endif()
endfunction()

# Every library, for tests and tools that may touch any layer.
set(MB_ALL_LIBS mb_app mb_ui mb_render mb_treemap mb_config mb_update mb_engine mb_platform mb_base)
