cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH QUENZAL_SOURCE_ROOT)

# quenzal_layer(<target> [QT <modules...>] PUBLIC <headers...> [PRIVATE <headers...>])
#
# Gives <target> its include roots, so that every include names its layer
# ("engine/Cipher.h", "platform/rtf/Rtf.h") and reaches only what the layer
# offers. The headers, named relative to the current source folder, are
# linked (or, where links cannot be made, copied) into folders of the build
# tree under their path in the project:
# the PUBLIC ones into the root that the target and whatever links it see,
# the PRIVATE ones into a root that only the target itself (and a test that
# asks for it with quenzal_private_headers) sees. Code that includes a
# header of a layer it does not link, or another layer's internal header,
# does not compile.
#
# With QT, the target's sources may include the headers of those Qt modules
# only ("QT Core" for a layer without Gui or widgets); building the target
# checks them first, so that not even a header reached through Qt's own
# include root (<QtGui/QImage>) slips in.
function(quenzal_layer target)
    cmake_parse_arguments(ARG "" "" "QT;PUBLIC;PRIVATE" ${ARGN})
    # The folder's path in the project, also when a project of its own
    # (fuzz/) adds it from outside.
    file(RELATIVE_PATH folder ${QUENZAL_SOURCE_ROOT} ${CMAKE_CURRENT_SOURCE_DIR})
    set(roots ${CMAKE_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${roots})
    foreach(scope IN ITEMS PUBLIC PRIVATE)
        string(TOLOWER ${scope} root)
        file(MAKE_DIRECTORY ${roots}/${root}/${folder})
        foreach(header IN LISTS ARG_${scope})
            get_filename_component(subfolder ${header} DIRECTORY)
            file(MAKE_DIRECTORY ${roots}/${root}/${folder}/${subfolder})
            # A copy where links cannot be made (a system where they need
            # privileges); an edit of the header then configures anew, which
            # copies it afresh.
            set(root_header ${roots}/${root}/${folder}/${header})
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root_header}
                 SYMBOLIC COPY_ON_ERROR)
            if(NOT IS_SYMLINK ${root_header})
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                             ${CMAKE_CURRENT_SOURCE_DIR}/${header})
            endif()
        endforeach()
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${roots}/public)
    else()
        target_include_directories(${target} PUBLIC ${roots}/public PRIVATE ${roots}/private)
    endif()
    set_property(TARGET ${target} PROPERTY QUENZAL_PRIVATE_ROOT ${roots}/private)
    if(ARG_QT)
        get_target_property(sources ${target} SOURCES)
        list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")
        list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
        set(stamp ${roots}/qt-modules.checked)
        list(JOIN ARG_QT " and " modules)
        add_custom_command(OUTPUT ${stamp}
            COMMAND ${CMAKE_COMMAND} -DQT_HEADERS=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_HEADERS}
                    "-DALLOWED=${ARG_QT}" "-DSOURCES=${sources}" -DSTAMP=${stamp}
                    -P ${QUENZAL_SOURCE_ROOT}/cmake/CheckQtModules.cmake
            DEPENDS ${sources} ${QUENZAL_SOURCE_ROOT}/cmake/CheckQtModules.cmake
            COMMENT "Checking that ${target} uses Qt ${modules} only" VERBATIM)
        target_sources(${target} PRIVATE ${stamp})
    endif()
endfunction()

# quenzal_private_headers(<test> <layer>): lets a test of <layer> include the
# layer's internal headers as well.
function(quenzal_private_headers test layer)
    target_include_directories(${test} PRIVATE $<TARGET_PROPERTY:${layer},QUENZAL_PRIVATE_ROOT>)
endfunction()
