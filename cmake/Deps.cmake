# Lua 5.1 and TinyXML from Debian's source packages, built here as static libraries.
# Nothing of them is kept in the repository: tools/fetch-deps.sh brings the sources into the
# build tree the first time CMake configures.
set(QS_DEPS_DIR "${CMAKE_BINARY_DIR}/deps" CACHE PATH "Where the dependency sources are unpacked")

file(GLOB _lua_dirs "${QS_DEPS_DIR}/lua5.1-*/src/lapi.c")
file(GLOB _txml_dirs "${QS_DEPS_DIR}/tinyxml-*/tinyxml.cpp")
if(NOT _lua_dirs OR NOT _txml_dirs)
    message(STATUS "Fetching Lua 5.1 and TinyXML sources into ${QS_DEPS_DIR}")
    execute_process(COMMAND "${CMAKE_SOURCE_DIR}/tools/fetch-deps.sh" "${QS_DEPS_DIR}"
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "Could not fetch the dependency sources (tools/fetch-deps.sh)")
    endif()
    file(GLOB _lua_dirs "${QS_DEPS_DIR}/lua5.1-*/src/lapi.c")
    file(GLOB _txml_dirs "${QS_DEPS_DIR}/tinyxml-*/tinyxml.cpp")
endif()
list(GET _lua_dirs 0 _lua_api)
list(GET _txml_dirs 0 _txml_cpp)
get_filename_component(QS_LUA_SRC "${_lua_api}" DIRECTORY)
get_filename_component(QS_TINYXML_SRC "${_txml_cpp}" DIRECTORY)

# Lua is compiled as C++, so that lua_error unwinds with an exception and the destructors of
# host code between the error and the protected call run (as C it would longjmp past them).
file(GLOB _lua_sources "${QS_LUA_SRC}/*.c")
list(FILTER _lua_sources EXCLUDE REGEX "/(lua|luac|print)\\.c$")
set_source_files_properties(${_lua_sources} PROPERTIES LANGUAGE CXX)
add_library(lua51 STATIC ${_lua_sources})
target_include_directories(lua51 SYSTEM PUBLIC "${QS_LUA_SRC}")
target_compile_options(lua51 PRIVATE -w -x c++)

add_library(tinyxml STATIC
    "${QS_TINYXML_SRC}/tinyxml.cpp" "${QS_TINYXML_SRC}/tinyxmlparser.cpp"
    "${QS_TINYXML_SRC}/tinyxmlerror.cpp" "${QS_TINYXML_SRC}/tinystr.cpp")
target_include_directories(tinyxml SYSTEM PUBLIC "${QS_TINYXML_SRC}")
target_compile_options(tinyxml PRIVATE -w)

# GoogleTest from the system's sources, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
