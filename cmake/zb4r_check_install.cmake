# Installs a build into a scratch prefix below a scratch DESTDIR and fails when anything lands
# outside the prefix (an absolute destination would land elsewhere below DESTDIR) or when an
# expected file is missing.
#   cmake -DBUILD_DIR=<build> -DSCRATCH=<dir> -DEXPECT="<path below the prefix>;..." -P zb4r_check_install.cmake
file(REMOVE_RECURSE "${SCRATCH}")
set(destdir "${SCRATCH}/destdir")
set(prefix "${SCRATCH}/prefix")
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${destdir} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result)
    message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false "${destdir}/*")
set(outside ${installed})
list(FILTER outside EXCLUDE REGEX "^${destdir}${prefix}/")
if(outside)
    list(JOIN outside "\n  " outside)
    message(FATAL_ERROR "installed outside the prefix ${prefix}:\n  ${outside}")
endif()
foreach(path IN LISTS EXPECT)
    if(NOT EXISTS "${destdir}${prefix}/${path}")
        message(FATAL_ERROR "not installed: <prefix>/${path}")
    endif()
endforeach()
list(LENGTH installed count)
message(STATUS "${count} files installed, all below the prefix")
file(REMOVE_RECURSE "${SCRATCH}")
