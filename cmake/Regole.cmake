# The compile rules of every target the project builds. Each compiled target under src/, tests/
# and bench/ links tarvolin_regole when the top directory has been read, so a new library or
# program gets them without a line of its own.

add_library(tarvolin_regole INTERFACE)
target_compile_options(tarvolin_regole INTERFACE
  -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual -Wshadow -Wcast-qual -Wformat=2
  $<$<BOOL:${TARVOLIN_WERROR}>:-Werror>)
# A unity build sees each source as an included file, where GCC warns about every class that
# holds a type of that file's anonymous namespace.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(tarvolin_regole INTERFACE
    $<$<BOOL:$<TARGET_PROPERTY:UNITY_BUILD>>:-Wno-subobject-linkage>)
endif()
# These change what the Qt headers declare, so every target that shares a header has them.
target_compile_definitions(tarvolin_regole INTERFACE
  QT_USE_QSTRINGBUILDER QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

# The program's own code spells every string out as a Latin-1 or UTF-16 literal; tests and
# benchmarks may pass plain char literals to QString.
set(TARVOLIN_LETTERALI_ESPLICITI ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests/nucleo)
add_library(tarvolin_regole_letterali INTERFACE)
target_compile_definitions(tarvolin_regole_letterali INTERFACE QT_NO_CAST_FROM_ASCII)

function(tarvolin_regole_applica dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      target_link_libraries(${target} PRIVATE tarvolin_regole)
      foreach(radice IN LISTS TARVOLIN_LETTERALI_ESPLICITI)
        cmake_path(IS_PREFIX radice "${dir}" NORMALIZE esplicito)
        if(esplicito)
          target_link_libraries(${target} PRIVATE tarvolin_regole_letterali)
          break()
        endif()
      endforeach()
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tarvolin_regole_applica(${subdir})
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}
  CALL tarvolin_regole_applica ${PROJECT_SOURCE_DIR})
