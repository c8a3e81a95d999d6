# The zip a Windows user downloads: the programs, static and needing nothing beside them, the
# read-me, the licence and the example address plan. A program joins it with
#   set_property(GLOBAL APPEND PROPERTY QUENLO_ZIP_TARGETS <target>)
get_property(quenlo_zip_targets GLOBAL PROPERTY QUENLO_ZIP_TARGETS)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(quenlo_zip_arch win64)
else()
    set(quenlo_zip_arch win32)
endif()
set(quenlo_zip ${CMAKE_BINARY_DIR}/Quenlo-${PROJECT_VERSION}-${quenlo_zip_arch}.zip)
set(quenlo_zip_dir ${CMAKE_BINARY_DIR}/zip)

# The texts with the version filled in and the line ends Notepad wants: before Windows 10 it shows
# LF-only lines as one (the read-me starts with a byte order mark for the same Notepad, which
# would otherwise guess its encoding).
set(quenlo_zip_paths "")
set(quenlo_zip_names "")
foreach(text IN ITEMS res/windows/README-Windows.txt:README-Windows.txt LICENSE:LICENSE.txt
                       res/plan-example.csv:plan-example.csv)
    string(REPLACE ":" ";" text "${text}")
    list(GET text 0 source)
    list(GET text 1 name)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    file(READ ${PROJECT_SOURCE_DIR}/${source} content)
    string(CONFIGURE "${content}" content @ONLY)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${CMAKE_BINARY_DIR}/zip-texts/${name} "${content}")
    list(APPEND quenlo_zip_paths ${CMAKE_BINARY_DIR}/zip-texts/${name})
    list(APPEND quenlo_zip_names ${name})
endforeach()
foreach(target IN LISTS quenlo_zip_targets)
    list(APPEND quenlo_zip_paths $<TARGET_FILE:${target}>)
    list(APPEND quenlo_zip_names $<TARGET_FILE_NAME:${target}>)
endforeach()
add_custom_command(OUTPUT ${quenlo_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${quenlo_zip_dir} ${quenlo_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${quenlo_zip_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${quenlo_zip_paths} ${quenlo_zip_dir}
    COMMAND ${CMAKE_COMMAND} -E chdir ${quenlo_zip_dir}
            ${CMAKE_COMMAND} -E tar cf ${quenlo_zip} --format=zip ${quenlo_zip_names}
    DEPENDS ${quenlo_zip_targets} ${quenlo_zip_paths}
    VERBATIM)
add_custom_target(windows_zip DEPENDS ${quenlo_zip})

# No program imports what Windows 7 lacks: the 32-bit zip is for the oldest PCs.
if(QUENLO_BUILD_TESTS AND CMAKE_OBJDUMP)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(quenlo_zip_programs "")
    foreach(target IN LISTS quenlo_zip_targets)
        list(APPEND quenlo_zip_programs $<TARGET_FILE:${target}>)
    endforeach()
    add_test(NAME windows7_imports
             COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tests/windows7_imports.py
                     ${CMAKE_OBJDUMP} ${quenlo_zip_programs})
endif()
