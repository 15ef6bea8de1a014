# The compile and link options of the project's own targets, in one interface
# target that schedax_use_build_options() links to each of them; imported
# libraries (Qt, GoogleTest, pxlib) and the user's CMAKE_CXX_FLAGS are left
# as they are.
add_library(schedax_build_options INTERFACE)
target_compile_options(schedax_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)

if(SCHEDAX_SANITIZE OR SCHEDAX_FUZZ)
  # Undefined behaviour stops a program as a crash does; whole frame chains
  # make the reports readable.
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
                 -fno-omit-frame-pointer)
  target_compile_options(schedax_build_options INTERFACE ${sanitizers})
  target_link_options(schedax_build_options INTERFACE ${sanitizers})
endif()
if(SCHEDAX_FUZZ)
  target_compile_options(schedax_build_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# schedax_use_build_options(dir) gives schedax_build_options to every target
# that dir and the folders under it define, so that a new target cannot miss it.
function(schedax_use_build_options dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_link_libraries(${target} PRIVATE schedax_build_options)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    schedax_use_build_options(${subdir})
  endforeach()
endfunction()
