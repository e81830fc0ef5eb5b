# The parts the README promises are built unless the user switches them off. A part that is ON
# and cannot find what it needs stops configure and names the Debian package to install: a part
# that quietly drops out leaves a build that passes its tests without testing it.

# CMake package -> Debian package, from the install list.
file(STRINGS "${PROJECT_SOURCE_DIR}/tools/packages.txt" _zb4r_package_lines)
set(ZB4R_MAPPED_PACKAGES)
foreach(_line IN LISTS _zb4r_package_lines)
    string(REGEX REPLACE "#.*" "" _line "${_line}")
    string(REGEX MATCHALL "[^ \t]+" _words "${_line}")
    list(LENGTH _words _count)
    if(_count GREATER 1)
        list(POP_FRONT _words _deb)
        foreach(_pkg IN LISTS _words)
            set(ZB4R_DEB_${_pkg} ${_deb})
            list(APPEND ZB4R_MAPPED_PACKAGES ${_pkg})
        endforeach()
    endif()
endforeach()

# Whether the package's CMake config file is on this machine. Qt's packages sit side by side, so
# one whose Qt module failed on a missing dependency is told apart from one that is absent.
function(_zb4r_config_present pkg out)
    set(${out} FALSE PARENT_SCOPE)
    if(${pkg}_FOUND)
        set(${out} TRUE PARENT_SCOPE)
    elseif(pkg MATCHES "^Qt6" AND Qt6_DIR)
        get_filename_component(_dir "${Qt6_DIR}" DIRECTORY)
        if(EXISTS "${_dir}/${pkg}/${pkg}Config.cmake")
            set(${out} TRUE PARENT_SCOPE)
        endif()
    endif()
endfunction()

# zb4r_require(<option> <what> <CMake package>...), after the part's find_package(): stops with
# the Debian packages to install when one of the CMake packages was not found.
function(zb4r_require option what)
    set(missing)
    set(reasons)
    foreach(pkg IN LISTS ARGN)
        if(NOT ${pkg}_FOUND)
            list(APPEND missing ${pkg})
            if(${pkg}_NOT_FOUND_MESSAGE)
                # The reason without the debugging hints that follow it.
                string(REGEX REPLACE "\n.*" "" reason "${${pkg}_NOT_FOUND_MESSAGE}")
                list(APPEND reasons "${reason}")
            endif()
        endif()
    endforeach()
    if(NOT missing)
        return()
    endif()
    # The packages to install: those whose files are absent, the dependencies included.
    set(debs)
    foreach(pkg IN LISTS ZB4R_MAPPED_PACKAGES)
        if(pkg IN_LIST missing OR (pkg MATCHES "^Qt6" AND "${missing}" MATCHES "Qt6"))
            _zb4r_config_present(${pkg} present)
            if(NOT present)
                list(APPEND debs ${ZB4R_DEB_${pkg}})
            endif()
        endif()
    endforeach()
    if(NOT debs)
        foreach(pkg IN LISTS missing)
            list(APPEND debs ${ZB4R_DEB_${pkg}})
        endforeach()
    endif()
    list(REMOVE_DUPLICATES debs)
    list(JOIN debs " " debs)
    list(JOIN missing ", " missing)
    list(JOIN reasons " " reasons)
    message(FATAL_ERROR "Cannot build ${what}: ${missing} could not be loaded. ${reasons}\n"
        "Install the Debian package(s): ${debs} (tools/deps.sh installs everything the build "
        "needs), or configure with -D${option}=OFF to build without ${what}.")
endfunction()

# One line of the configure summary: the part, whether it is built, and its option.
function(zb4r_summary label enabled)
    if(enabled)
        set(state "yes")
    else()
        set(state "no ")
    endif()
    string(LENGTH "${label}" length)
    math(EXPR pad "24 - ${length}")
    string(REPEAT " " ${pad} gap)
    message(STATUS "zb4r:   ${label}${gap}${state} ${ARGN}")
endfunction()
